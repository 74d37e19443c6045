#include "app/win32/Application.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/OptionStore.h"
#include "app/PersistedSettings.h"
#include "app/win32/MainDialog.h"

namespace pictrano {

int runApplication(HINSTANCE instance, SettingsBackend& settings,
                   const MainWindowObserver& onOpen) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    // The shell's folder browser and the file dialog want a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    {
        OptionStore options;
        options.setDefaults();
        loadOptions(settings, options);
        runMainDialog(instance, options, settings, onOpen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

}  // namespace pictrano

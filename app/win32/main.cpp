// Pictrano.exe: the desktop program.
#include <windows.h>

#include "app/win32/Application.h"
#include "app/win32/RegistryBackend.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    pictrano::RegistryBackend settings;
    return pictrano::runApplication(instance, settings);
}

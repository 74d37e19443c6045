#pragma once

#include <array>
#include <cstdint>

namespace pictrano {

// The constants of the Deflate format: the length and distance symbols with their extra bits and
// base values, and the order in which a dynamic block sends its code-length code lengths.
struct DeflateCodeRow {
    std::uint16_t symbol;
    std::uint8_t extraBits;
    std::uint16_t base;
};

inline constexpr std::array<DeflateCodeRow, 29> kLengthRows{{
    {257, 0, 3},   {258, 0, 4},   {259, 0, 5},   {260, 0, 6},   {261, 0, 7},   {262, 0, 8},
    {263, 0, 9},   {264, 0, 10},  {265, 1, 11},  {266, 1, 13},  {267, 1, 15},  {268, 1, 17},
    {269, 2, 19},  {270, 2, 23},  {271, 2, 27},  {272, 2, 31},  {273, 3, 35},  {274, 3, 43},
    {275, 3, 51},  {276, 3, 59},  {277, 4, 67},  {278, 4, 83},  {279, 4, 99},  {280, 4, 115},
    {281, 5, 131}, {282, 5, 163}, {283, 5, 195}, {284, 5, 227}, {285, 0, 258},
}};

inline constexpr std::array<DeflateCodeRow, 30> kDistanceRows{{
    {0, 0, 1},        {1, 0, 2},        {2, 0, 3},         {3, 0, 4},         {4, 1, 5},
    {5, 1, 7},        {6, 2, 9},        {7, 2, 13},        {8, 3, 17},        {9, 3, 25},
    {10, 4, 33},      {11, 4, 49},      {12, 5, 65},       {13, 5, 97},       {14, 6, 129},
    {15, 6, 193},     {16, 7, 257},     {17, 7, 385},      {18, 8, 513},      {19, 8, 769},
    {20, 9, 1025},    {21, 9, 1537},    {22, 10, 2049},    {23, 10, 3073},    {24, 11, 4097},
    {25, 11, 6145},   {26, 12, 8193},   {27, 12, 12289},   {28, 13, 16385},   {29, 13, 24577},
}};

inline constexpr std::array<std::uint8_t, 19> kCodeLengthOrder{16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                11, 4,  12, 3, 13, 2, 14, 1, 15};

inline constexpr unsigned kEndOfBlock = 256;
inline constexpr unsigned kMinMatch = 3;
inline constexpr unsigned kMaxMatch = 258;
inline constexpr unsigned kMaxDistance = 32768;

}  // namespace pictrano

#pragma once

// Windows of the program other than the album window and its message boxes
// carry this property, so the album window knows a return from them.
inline constexpr const char* kProgramWindowProperty = "pictoraProgramWindow";

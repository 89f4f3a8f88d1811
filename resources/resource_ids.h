#pragma once
// Identifiers shared by the resource script and the code.
#define IDI_APP 201
#define IDD_MAIN_WINDOW 101
#define QB_VERSION_TEXT "1.14.19"
#define QB_VERSION_NUMBERS 1, 14, 19, 0

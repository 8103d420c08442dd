/* Resource and control identifiers, shared by the resource script and the code. */
#pragma once

#define IDD_MAIN 1000
#define IDI_MAIN 30

#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

#define IDC_FILENAME 1001
#define IDC_CALIBRATE 1003
#define IDC_WRITE 1005
#define IDC_READ 1006
#define IDC_EXTRA 1007
#define IDC_COMPARE 1008
#define IDC_BLANK 1009
#define IDC_FILE_OFFSET 1010
#define IDC_FILE_OFFSET_LABEL 1011
#define IDC_ROM_OFFSET 1012
#define IDC_ROM_OFFSET_LABEL 1013
#define IDC_LENGTH 1014
#define IDC_LENGTH_LABEL 1016
#define IDC_EMULATOR 1017

/* Resource and command ids of Probelet. Plain #defines: read by the resource compiler too. */
#pragma once

#include "framework/StandardIds.h"

#define IDD_ABOUTBOX            100
#define IDR_MAINFRAME           128     /* menu, accelerators, toolbar, its bitmap, title, frame icon */
#define IDC_TABDRAG             131     /* cursor while a plugin tab is dragged */
#define IDI_PROBELET            132     /* icon of the main window class and the About box */

#define ID_CLEAR_LIST           32771
#define ID_ADD_FILES            32772
#define ID_CHANGE_INI           32773

#define ID_INDICATOR_INI        61204

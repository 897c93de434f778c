/* Standard command, string, control-bar and pane ids of the window layer.
   Plain #defines only: the resource compiler reads this file too. */
#pragma once

/* Strings */
#define IDS_APP_TITLE           57344   /* the application's name: caption of every message box */
#define IDS_IDLE_MESSAGE        57345   /* "Ready" */
#define IDS_SC_FIRST            61184   /* prompts of the system menu: SC_SIZE and on, one per 16 */

/* Commands */
#define ID_SEPARATOR            0
#define ID_FILE_PRINT           57607
#define ID_EDIT_CLEAR           57632
#define ID_EDIT_CLEAR_ALL       57633
#define ID_EDIT_COPY            57634
#define ID_EDIT_CUT             57635
#define ID_EDIT_FIND            57636
#define ID_EDIT_PASTE           57637
#define ID_EDIT_REPEAT          57640
#define ID_EDIT_REPLACE         57641
#define ID_EDIT_SELECT_ALL      57642
#define ID_EDIT_UNDO            57643
#define ID_EDIT_REDO            57644
#define ID_WINDOW_SPLIT         57653
#define ID_APP_ABOUT            57664
#define ID_APP_EXIT             57665
#define ID_NEXT_PANE            57680
#define ID_PREV_PANE            57681
#define ID_VIEW_TOOLBAR         59392
#define ID_VIEW_STATUS_BAR      59393

/* Status bar indicators */
#define ID_INDICATOR_EXT        59136
#define ID_INDICATOR_CAPS       59137
#define ID_INDICATOR_NUM        59138
#define ID_INDICATOR_SCRL       59139
#define ID_INDICATOR_OVR        59140
#define ID_INDICATOR_REC        59141

/* Child windows of a frame */
#define IDW_TOOLBAR             0xE800
#define IDW_STATUS_BAR          0xE801
#define IDW_PANE_FIRST          0xE900  /* pane (row, col) is IDW_PANE_FIRST + row * 16 + col */

/* Resource type of a toolbar description: version, image width and height,
   item count, then one command id per item (0 for a separator), all 16-bit. */
#define RT_TOOLBAR_DESCRIPTION  241

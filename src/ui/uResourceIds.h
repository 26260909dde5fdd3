// uResourceIds: numbers of the extractor's dialog templates, icons, clip and
// controls. The values are fixed: packages built against older extractors
// and the templates in oxtarn.rc use them, so never renumber.
// Shared by the resource script (plain #defines, which windres understands)
// and by the dialog procedures.
#pragma once

// Dialog templates.
#define DLG_PROGRESS      102
#define DLG_LICENCE       2001
#define DLG_DESTINATION   2002
#define DLG_OVERWRITE     2003
#define DLG_PASSWORD      2004

// Icons. ICON_PROGRAM has the lowest number, so it is the one Explorer shows.
#define ICON_PROGRAM      101
#define ICON_DESTINATION  104
#define ICON_LICENCE      105
#define ICON_OVERWRITE    106
#define ICON_PASSWORD     107

// The file-copy clip, resource type "AVI"; shell32.dll carries one under the
// same number, which the progress dialog prefers when it is there.
#define CLIP_FILECOPY     161

// Static control without an id of its own (the icon of 2003 and 2004).
#define IDC_NONE          65535

// Standard command ids used as control ids in the templates.
#define IDC_OK            1
#define IDC_CANCEL        2

// Progress dialog (102).
#define IDC_PROGRESS_BAR     101
#define IDC_PROGRESS_CANCEL  103
#define IDC_PROGRESS_PAUSE   104
#define IDC_PROGRESS_STATUS  105
#define IDC_PROGRESS_ANIME   109  // created at run time, not in the template
#define IDC_PROGRESS_TITLE   111

// Licence dialog (2001).
#define IDC_LICENCE_INTRO     31
#define IDC_LICENCE_QUESTION  32
#define IDC_LICENCE_YES       6
#define IDC_LICENCE_NO        7
#define IDC_LICENCE_ICON      105
#define IDC_LICENCE_TEXT      2100

// Destination dialog (2002); OK and Cancel are IDC_OK and IDC_CANCEL.
#define IDC_DEST_ICON    104
#define IDC_DEST_PROMPT  2108
#define IDC_DEST_FOLDER  2101
#define IDC_DEST_BROWSE  2102

// Overwrite prompt (2003).
#define IDC_OVER_YES       5
#define IDC_OVER_YESALL    6
#define IDC_OVER_NO        7
#define IDC_OVER_NOALL     8
#define IDC_OVER_CANCEL    9
#define IDC_OVER_PATH      10
#define IDC_OVER_HEADING   33

// Password dialog (2004); OK and Cancel are IDC_OK and IDC_CANCEL.
#define IDC_PASS_PROMPT  2108
#define IDC_PASS_EDIT    2101

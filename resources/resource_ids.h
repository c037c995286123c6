// Identifiers of the resources in MivoOlkRes.dll (the scheduler's resource
// library) and MivoOlkRes64.dll (the add-in's). Shared by the code that asks
// for a resource and by the .rc scripts that define it, so it holds nothing
// but #define lines (the resource compiler reads it too).
#pragma once

/* Dialog templates of MivoOlkRes */
#define IDD_ABOUT 110
#define IDD_ACCOUNT_SETTING 113
#define IDD_MEETING_SETTING 123
#define IDD_MULTI_TENANCY 135
#define IDD_CANCELLATION 136
#define IDD_COMMUNICATION 172
#define IDD_DOWNLOAD 181

/* Dialog items (OK = 1 and Cancel = 2 are IDOK and IDCANCEL) */
#define IDC_ABOUT_PICTURE 1034        /* about box: picture */
#define IDC_ACCOUNT_SITE 1002         /* account dialog: service address, read-only */
#define IDC_ACCOUNT_USERNAME 1003     /* account dialog: user name */
#define IDC_ACCOUNT_PASSWORD 1004     /* account dialog: password */
#define IDC_MEETING_MUTE 1003         /* meeting options: check box */
#define IDC_MEETING_PASSWORD 1005     /* meeting options: password edit */
#define IDC_MEETING_NEW_PASSWORD 1006 /* meeting options: clickable picture */
#define IDC_TENANCY_LIST 1004         /* organisation chooser: list box */
#define IDC_COMMUNICATION_BUSY 1065   /* request dialog: busy icon */
#define IDC_DOWNLOAD_PROGRESS 1070    /* download dialog: progress bar */
#define IDC_DOWNLOAD_RECEIVED 1071    /* download dialog: bytes received so far */

/* Strings of MivoOlkRes */
#define IDS_WARNING_CAPTION 107     /* caption of every warning box */
#define IDS_NO_ANSWER 108           /* the service did not answer */
#define IDS_SIGNIN_REFUSED 109      /* sign-in or organisation change refused */
#define IDS_SCHEDULE_REFUSED 110    /* the service refused the schedule (-602) */
#define IDS_DEFAULT_SUBJECT 111     /* suffix of the default meeting subject */
#define IDS_RECURRENCE_REFUSED 112  /* the recurrence is not accepted */
#define IDS_SUBJECT_TOO_LONG 113    /* the subject is longer than 64 characters */
#define IDS_SERVICE_URL 114         /* base URL of the meeting service */
#define IDS_DOWNLOAD_URL 115        /* scheme and host of the installer download */
#define IDS_MEETING_GONE 116        /* the service no longer has the meeting */
#define IDS_UPDATE_NOT_VERIFIED 117 /* the downloaded installer failed its signature check */
#define IDS_INSTALLER_NOT_STARTED 118 /* Windows Installer could not be started on the update */
#define IDS_PUBLISHER_KEYS 119      /* the update publisher's key pins (SHA-256, hex) */
#define IDS_OTHER_ACCOUNT 120       /* the meeting was made under another account */
/* Texts the scheduler's flows and dialogs show; %1 stands for the version */
#define IDS_START_TOO_EARLY 128          /* the meeting starts before now */
#define IDS_ZERO_DURATION 129            /* the meeting lasts 0 minutes */
#define IDS_NEW_PREVIEW_VERSION 130      /* update question, preview channel: %1 */
#define IDS_NEW_VERSION 131              /* update question, release channel: %1 */
#define IDS_CLOSE_HOST 132               /* notice before the host ends for the update */
#define IDS_CLOSE_HOST_CAPTION 133       /* its caption */
#define IDS_MEETING_PASSWORD_CUE 134     /* hint in the empty meeting password field */
#define IDS_MEETING_PASSWORD_REFUSED 135 /* the meeting password is not four digits */

/* Pictures and icons of MivoOlkRes */
#define IDB_ABOUT 145
#define IDB_NEW_PASSWORD 146
#define IDI_BUSY_FIRST 173 /* eight frames: 173 to 180 */
#define IDI_BUSY_FRAMES 8

/* MivoOlkRes64 (add-in) */
#define IDX_RIBBON_EXPLORER 102    /* resource type "XML" */
#define IDX_RIBBON_APPOINTMENT 116 /* resource type "XML" */
#define IDB_ATTEND_MEETING 139
#define IDB_SCHEDULE_MEETING 140
#define IDB_ONLINE_MEETING 141
#define IDB_SETUP_MEETING 142

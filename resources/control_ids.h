/* The numbers of the editor's windows and controls: the dialog templates,
 * icons and strings of the resource script, and the control ids that both
 * editors and their rules use. Plain #defines, so the resource compiler
 * reads this file too. */
#ifndef ORV_CONTROL_IDS_H
#define ORV_CONTROL_IDS_H

/* Templates, icons, strings. */
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDI_PROGRAM 128
#define IDI_OPEN 135
#define IDD_COMMON_INFO 130
#define IDD_FEATURE 131
#define IDD_VERSION 132
#define IDD_BUG 133
/* The About item of the main window's system menu. */
#define IDM_ABOUTBOX 0x0010

/* The main window. */
#define IDC_MAIN_FILENAME 1034
#define IDC_MAIN_OPEN 1021
#define IDC_MAIN_COMMON_INFO 1020
#define IDC_MAIN_VERSIONS 1017
#define IDC_MAIN_FEATURES 1019
#define IDC_MAIN_BUGS 1018
#define IDC_MAIN_LIST 1035
#define IDC_MAIN_ADD 1005
#define IDC_MAIN_EDIT 1016
#define IDC_MAIN_REMOVE 1006
#define IDC_MAIN_MOVE_UP 1007
#define IDC_MAIN_MOVE_DOWN 1008
#define IDC_MAIN_SUMMARY 1036

/* Common Information: the fourteen edits in field order, then the Test labels. */
#define IDC_CI_COMPANY 1025
#define IDC_CI_PRODUCT 1026
#define IDC_CI_PRODUCT_LINK 1027
#define IDC_CI_PRODUCT_DESCRIPTION 1013
#define IDC_CI_UPSELL_LINK 1029
#define IDC_CI_UPSELL_DESCRIPTION 1014
#define IDC_CI_COMPANY_ADDRESS 1024
#define IDC_CI_COMPANY_PHONE 1017
#define IDC_CI_COMPANY_EMAIL 1018
#define IDC_CI_COMPANY_LINK 1019
#define IDC_CI_SALES_PHONE 1020
#define IDC_CI_SALES_EMAIL 1021
#define IDC_CI_SUPPORT_PHONE 1022
#define IDC_CI_SUPPORT_EMAIL 1023
#define IDC_CI_PRODUCT_LINK_TEST 1028
#define IDC_CI_UPSELL_LINK_TEST 1030
#define IDC_CI_COMPANY_EMAIL_TEST 1034
#define IDC_CI_COMPANY_LINK_TEST 1031
#define IDC_CI_SALES_EMAIL_TEST 1032
#define IDC_CI_SUPPORT_EMAIL_TEST 1033

/* Version Information. */
#define IDC_VER_VERSION 1037
#define IDC_VER_LOCATION 1038
#define IDC_VER_LOCATION_TEST 1039
#define IDC_VER_FILE_SIZE 1044
#define IDC_VER_DETERMINE 1020
#define IDC_VER_SCREENSHOT 1040
#define IDC_VER_SCREENSHOT_TEST 1041
#define IDC_VER_THUMBNAIL 1012
#define IDC_VER_THUMBNAIL_TEST 1042
#define IDC_VER_FREE_UPGRADES 1043
#define IDC_VER_RELEASED 1021
#define IDC_VER_DAYS 1009
#define IDC_VER_DAYS_SPIN 1046

/* Feature Information. */
#define IDC_FEAT_TITLE 1044
#define IDC_FEAT_DESCRIPTION 1045
#define IDC_FEAT_SCREENSHOT 1040
#define IDC_FEAT_SCREENSHOT_TEST 1041
#define IDC_FEAT_THUMBNAIL 1012
#define IDC_FEAT_THUMBNAIL_TEST 1042
#define IDC_FEAT_VERSIONS 1017

/* Bug Information. */
#define IDC_BUG_TITLE 1044
#define IDC_BUG_DESCRIPTION 1045
#define IDC_BUG_SEVERITY 1003
#define IDC_BUG_TYPE 1005
#define IDC_BUG_INTRODUCED 1022
#define IDC_BUG_DISCOVERED 1023
#define IDC_BUG_FIXED 1024
#define IDC_BUG_AFFECTED 1004

#endif

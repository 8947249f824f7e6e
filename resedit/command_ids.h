/* Command numbers of the resource editor's menus and shortcuts. Plain
 * defines: the resource compiler reads this file too. */
#ifndef RESEDIT_COMMAND_IDS_H
#define RESEDIT_COMMAND_IDS_H

#define CMD_NEW              7000
#define CMD_OPEN             7001
#define CMD_SAVE             7002
#define CMD_SAVE_AS          7003
#define CMD_INCLUDE          7004
#define CMD_OPEN_DLL         7006
#define CMD_DELETE_DLL       7007
#define CMD_QUIT             7008
#define CMD_DIRECTORIES      7010
#define CMD_HELP_INDEX       7012
#define CMD_RESTART          7020
#define CMD_CUT              7021
#define CMD_COPY             7022
#define CMD_PASTE            7023
#define CMD_DELETE           7024
#define CMD_DUPLICATE        7025
#define CMD_SYMBOLS          7026
#define CMD_STYLES           7027
#define CMD_REDIMENSION      7028
#define CMD_NEW_DIALOG       7029
#define CMD_SELECT_DIALOG    7030
#define CMD_UNDO             7031
#define CMD_GROUP            7052
#define CMD_CONFIGURATION    7053
#define CMD_TEST             7060
#define CMD_DEFAULT_SIZES    7061
#define CMD_GOTO_IDE         7064
#define CMD_FILES            7066
#define CMD_ZOOM             7068
#define CMD_HIERARCHY        7069
#define CMD_ABOUT            7072
#define CMD_PROPERTY_SHEET   7088
#define CMD_NEW_MENU         7097
#define CMD_SELECT_MENU      7098
#define CMD_UNFOLDING_DIALOG 7099
#define CMD_CALLBACKS        7800
#define CMD_SKELETON         40008
#define CMD_STRING_TABLE     40010

/* The Arrange menu's picture items. */
#define CMD_ALIGN_LEFT       7100
#define CMD_ALIGN_TOP        7101
#define CMD_ALIGN_RIGHT      7102
#define CMD_ALIGN_BOTTOM     7103
#define CMD_CENTER_CTLS_V    7104
#define CMD_CENTER_CTLS_H    7105
#define CMD_CENTER_V         7106
#define CMD_CENTER_H         7107
#define CMD_SPACE_H          7108
#define CMD_SPACE_V          7109
#define CMD_SAME_WIDTH       7110
#define CMD_SAME_HEIGHT      7111
#define CMD_SAME_SIZE        7112
#define CMD_BUTTONS_ROW      7113
#define CMD_BUTTONS_COLUMN   7114

/* The control palette: CMD_ADD_CONTROL + kind. */
#define CMD_ADD_CONTROL      7900

#endif

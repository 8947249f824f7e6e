/* Command ids of the IDE's menus, accelerators and key bindings, and the
 * private frame messages. Plain defines: the resource compiler reads this
 * file too. */
#ifndef TAVRA_COMMAND_IDS_H
#define TAVRA_COMMAND_IDS_H

/* File */
#define CM_NEW              1101
#define CM_OPEN             1102
#define CM_SAVE             1103
#define CM_SAVE_AS          1104
#define CM_PRINT            1105
#define CM_EXIT             1106
#define CM_ABOUT            1107
#define CM_CLOSE            1109
#define CM_INSERT_FILE      1139
#define CM_RELOAD           1151
#define CM_SAVE_ALL         1167
#define CM_OPEN_BINARY      1200

/* Edit */
#define CM_UNDO             1110
#define CM_CUT              1111
#define CM_COPY             1112
#define CM_PASTE            1113
#define CM_EXTEND_DOWN      1115
#define CM_F11              1116
#define CM_OPEN_NAMED       1117
#define CM_SHIFT_ESCAPE     1118
#define CM_TOP_OF_FILE      1121
#define CM_END_OF_FILE      1122
#define CM_GOTO_LINE        1123
#define CM_COPY_TO_FILE     1126
#define CM_SET_BOOKMARK     1142
#define CM_GOTO_BOOKMARK    1143
#define CM_NEXT_BOOKMARK    1144
#define CM_ERASE_BOOKMARK   1145
#define CM_EXTEND_UP        1153
#define CM_EXTEND_RIGHT     1154
#define CM_EXTEND_LEFT      1155
#define CM_WORD_RIGHT       1163
#define CM_WORD_LEFT        1164
#define CM_EXTEND_WORD_RIGHT 1165
#define CM_EXTEND_DOWN_2    1166
#define CM_MARK_BLOCK       1170
#define CM_EXTEND_FILE_START 1171
#define CM_EXTEND_FILE_END  1172
#define CM_DESCRIBE_FUNCTION 1176
#define CM_SHOW_CHANGES     1177
#define CM_REFORMAT         1178
#define CM_DESCRIBE_FILE    1183
#define CM_EXTEND_LINE_END  1188
#define CM_SPACES_TO_TABS   1189
#define CM_TABS_TO_SPACES   1190
#define CM_RECENTER         1191
#define CM_EXTEND_LINE_START 1199
#define CM_COPY_FUNCTION    1201
#define CM_WORD_RIGHT_2     1207
#define CM_WORD_LEFT_2      1208
#define CM_EXTEND_PAGE_UP   1211
#define CM_EXTEND_PAGE_DOWN 1212
#define CM_LEVEL            1220
#define CM_EXTEND_WORD_LEFT 1272

/* Search */
#define CM_REPLACE          1120
#define CM_FIND_NEXT        1135
#define CM_FIND_PREVIOUS    1136
#define CM_FIND             1137
#define CM_GREP             1150
#define CM_SEARCH_DEFINITION 1158
#define CM_FUNCTIONS_LIST   1168
#define CM_STRUCTURES_LIST  1175
#define CM_ID               1182
#define CM_IDENTIFY_FILE    1184
#define CM_SEARCH_FUNCTION  1185
#define CM_SYMBOL_USAGE     1204
#define CM_GOTO             1264

/* Options */
#define CM_CONFIGURATION    1119
#define CM_ADD_UTILITY      1125
#define CM_CHANGE_UTILITY   1152
#define CM_REDEFINE_KEYS    1248

/* Project */
#define CM_CLOSE_PROJECT    1198
#define CM_OPEN_PROJECT     1225
#define CM_CREATE_PROJECT   1229
#define CM_PROJECT_FILES    1231
#define CM_ERASE_PROJECT    1246
#define CM_OUTLINE          1262
#define CM_EXPORT_PROJECT   1274
#define CM_IMPORT_PROJECT   1275
#define CM_OPEN_ALL_FILES   1276

/* Compiler */
#define CM_MAKE             1156
#define CM_SHOW_RESULTS     1192
#define CM_CTRL_F9          1202
#define CM_BREAKPOINTS      1245
#define CM_RESOURCES        1265
#define CM_GENERATE_MAKEFILE 1267
#define CM_DEBUGGER         1268
#define CM_REBUILD_ALL      1270
#define CM_LINK             1271
#define CM_SET_BREAKPOINT   1273
#define CM_EXECUTE_PROGRAM  1295

/* Utils */
#define CM_EXECUTE          1124
#define CM_DIFF             1161
#define CM_GENERATE_HLP     1169
#define CM_BROWSE_FN_DEFS   1174
#define CM_FILE_METRICS     1179
#define CM_FUNCTION_METRICS 1180
#define CM_WRITE_PROTOTYPES 1181
#define CM_SLICE_BY_LOCAL   1187
#define CM_SHOW_GLOBALS     1193
#define CM_FILE_RELATIONS   1194
#define CM_FUNCTION_TREE    1195
#define CM_AUDIT            1203
#define CM_STRINGS          1219
#define CM_PROFILER         1250
#define CM_APPLY_PATCH      1251
#define CM_OBJ_XREF         1257

/* Versions */
#define CM_PUT              1222
#define CM_GET              1223
#define CM_GET_ALL          1224
#define CM_SEE_LOCKS        1226
#define CM_REVISIONS        1227
#define CM_DIFFERENCES      1232
#define CM_GET_RELEASE      1234
#define CM_SAVE_RELEASE     1235
#define CM_VERSION_DEFAULTS 1236
#define CM_SHOW_RELEASE     1237
#define CM_PUT_ALL          1238
#define CM_SEE_LOG          1239
#define CM_ERASE_REVISIONS  1240
#define CM_CHANGE_LOCKS     1241
#define CM_QUERY            1242
#define CM_SEE_OPERATIONS   1243
#define CM_FUNCTION_HISTORY 1244

/* Window */
#define CM_CLOSE_ALL        1128
#define CM_CASCADE          1131
#define CM_TILE             1132
#define CM_ARRANGE_ICONS    1133
#define CM_DISPOSITION      1254

/* Help */
#define CM_VERSION          1291
#define CM_HELP_DATABASE    1247
#define CM_HELP_INDEX       14000

/* Commands without a menu item that the key binding table names. */
#define CM_1127             1127
#define CM_1130             1130
#define CM_1157             1157
#define CM_1159             1159
#define CM_1160             1160
#define CM_1230             1230
#define CM_1290             1290
#define CM_ESCAPE           1280  /* sent to the frame by Escape in an edit window */

/* User utilities run as commands 1300 to 1312. */
#define CM_FIRST_UTILITY    1300
#define CM_LAST_UTILITY     1312

/* The first MDI child's id. */
#define FIRST_MDI_CHILD     1350

/* Private frame messages (WM_USER-free numbers kept as the system has them). */
#define WM_TAVRA_POSTED_COMMAND 2024
#define WM_TAVRA_KEY_TO_EDITOR  4194
#define WM_TAVRA_LAYOUT         8029
#define WM_TAVRA_CHECK_DISK     10024
#define WM_TAVRA_ATTACH         10524
#define WM_TAVRA_BUILD_TEXT     26024
#define WM_TAVRA_BUILD_QUERY    26025

/* The output window: its list and toggle button, and the messages it
   understands (sent by the build, the search tools and the debugger). */
#define IDC_OUTPUT_LIST         4801
#define IDC_OUTPUT_TOGGLE       5000
#define IDC_OUTPUT_PAGE_FIRST   5001
#define WM_OUTPUT_OPEN          8024
#define WM_OUTPUT_CLEAR_OPEN    8025
#define WM_OUTPUT_SET_HANDLER   8026
#define WM_OUTPUT_STATUS        8028
#define WM_OUTPUT_DEBUG_PAGES   8030
#define WM_OUTPUT_NORMAL_PAGES  8032
#define WM_OUTPUT_USER_VALUE    8033
#define WM_OUTPUT_SET_FONT      8034
#define WM_OUTPUT_DOCK          8035
#define WM_OUTPUT_HOLDER        8036
#define WM_OUTPUT_PLAIN         8037
#define WM_OUTPUT_RED           8038
#define WM_OUTPUT_BLUE          8039
#define WM_OUTPUT_CLEAR_MESSAGE 8040
#define WM_OUTPUT_SET_PREFIX    8041
#define WM_OUTPUT_SAVE          8042
#define WM_OUTPUT_GET_FONT      8044
#define WM_OUTPUT_STOPPED       8046
#define WM_OUTPUT_RUNNING       8047
#define WM_OUTPUT_FOCUS_FRAME   8049
#define CM_OUTPUT_SAVE_TO_FILE  4802

/* The project's dialogs. */
#define IDD_CREATE_PROJECT      300
#define IDC_PRJ_NAME            301
#define IDC_PRJ_PATH            302
#define IDC_PRJ_SINGLE_USER     303
#define IDC_PRJ_MULTI_USER      304
#define IDC_PRJ_VERSIONING      305
#define IDC_PRJ_WINDOWS         306
#define IDC_PRJ_LIBRARY         307
#define IDC_PRJ_CONSOLE         308
#define IDC_PRJ_DLL             309
#define IDD_PROJECT_LIST        310
#define IDC_PROJECT_LIST        311
#define IDD_COMPILER_SETTINGS   320
#define IDD_LINKER_SETTINGS     321
#define IDD_DEBUGGER_SETTINGS   322
#define IDC_SET_OPTIMIZE        330
#define IDC_SET_DEBUG           331
#define IDC_SET_BROWSE          332
#define IDC_SET_ASM             333
#define IDC_SET_WINDOWS_PROGRAM 334
#define IDC_SET_WARN_ALL        335
#define IDC_SET_WARN_NORMAL     336
#define IDC_SET_G3              337
#define IDC_SET_G4              338
#define IDC_SET_INTERMEDIATE    339
#define IDC_SET_PACK            340
#define IDC_SET_DEFINES         341
#define IDC_SET_INCLUDES        342
#define IDC_SET_ERROR_FILE      343
#define IDC_SET_NO_DEBUG        350
#define IDC_SET_MAP             351
#define IDC_SET_OUT_WINDOWS     352
#define IDC_SET_OUT_CONSOLE     353
#define IDC_SET_OUT_DLL         354
#define IDC_SET_OUT_LIBRARY     355
#define IDC_SET_LIBRARIES       356
#define IDC_SET_OUTPUT_NAME     357
#define IDC_SET_ENTRY           358
#define IDC_SET_LINKER_ARGS     359
#define IDC_SET_DBG_ARGS        360
#define IDC_SET_DBG_DIR         361
#define IDC_SET_DBG_EXE         362
#define IDD_EXECUTE             370
#define IDC_EXEC_PROGRAM        371
#define IDC_EXEC_BROWSE         372
#define IDC_EXEC_ARGS           373
#define IDC_EXEC_DIR            374
#define IDC_EXEC_SAVE           375
#define IDC_EXEC_RETURN_CODE    376
#define IDD_COMPILE_FILE        394
#define IDC_COMPILE_ADD         395
#define IDC_COMPILE_NEW_PROJECT 396
#define IDC_COMPILE_NAME        397
#define IDC_PROJECT_TREE        398
/* The project tree's context menu "ViewTreeContext". */
#define CM_TREE_USAGE           4901
#define CM_TREE_DEFINITION      4902
#define CM_TREE_OPEN            4903
#define CM_TREE_PROPERTIES      4904
#define CM_TREE_ACTIVATE        4905
#define CM_TREE_FILES           4906
#define CM_TREE_EXPORT          4907

/* The floating output window and the utilities' dialogs. */
#define IDD_OUTPUT_FLOAT        380
#define IDD_ADD_UTILITY         381
#define IDD_CHANGE_UTILITY      382
#define IDC_UTIL_PROGRAM        383
#define IDC_UTIL_ARGS           384
#define IDC_UTIL_DIR            385
#define IDC_UTIL_NAME           386
#define IDC_UTIL_KEY            387
#define IDC_UTIL_LIST           388
#define IDC_UTIL_SAVE           389
#define IDC_UTIL_RETURN_CODE    390
#define IDC_UTIL_CHANGE         391
#define IDC_UTIL_RENAME         392
#define IDC_UTIL_ERASE          393

/* String table. */
#define IDS_OPEN_RESOURCE_TITLE 80
#define IDS_ROOT_CHOOSER_TITLE  93
#define IDS_FRAME_CLASS         3969
#define IDS_VERSION_TEXT        4233
#define IDS_DIRECTORY_MISSING   4380
#define IDS_DESCRIPTION_BASE    7000

/* Menus, accelerators, dialogs, icons. */
#define IDD_MODIFIED_FILES      200
#define IDC_MODIFIED_LIST       201
#define IDC_SAVE_ALL            202
#define IDC_FORGET              203
#define IDD_CONFIGURATION       210
#define IDC_CFG_INDENT          211
#define IDC_CFG_SYNTAX          212
#define IDC_CFG_BACKUPS         213
#define IDC_CFG_SMALL_FONTS     214
#define IDC_CFG_SAVE_BEFORE_BUILD 215
#define IDC_CFG_SAVE_AT_EXIT    216
#define IDC_CFG_TOOLBAR         217
#define IDC_CFG_TABSIZE         218
#define IDC_CFG_CURRENT_DIR     219
#define IDC_CFG_COMPILER_PATH   220
#define IDD_ABOUT               230
#define IDD_GOTO_LINE           240
#define IDC_LINE_NUMBER         241
#define IDD_BOOKMARKS           250
#define IDC_BOOKMARK_LIST       251
#define IDD_FIND                400
#define IDD_REPLACE             401
#define IDD_REPLACE_ASK         402
#define IDD_GOTO                403
#define IDC_FIND_TEXT           410
#define IDC_REPLACE_TEXT        411
#define IDC_SCOPE_CURRENT       412
#define IDC_SCOPE_ALL           413
#define IDC_KIND_REGEX          414
#define IDC_KIND_EXACT          415
#define IDC_IGNORE_CASE         416
#define IDC_FORWARDS            417
#define IDC_BACKWARDS           418
#define IDC_WRAP                419
#define IDC_CONFIRM             420
#define IDC_WHOLE_WORDS         421
#define IDC_ICONIZED            422
#define IDC_BY_FUNCTION         423
#define IDC_SIMILAR             424
#define IDC_IN_SELECTION        425
#define IDC_ANSWER_ALL          426
#define IDC_GOTO_LINE_NUMBER    427
#define IDC_GOTO_START          428
#define IDC_GOTO_END            429

#endif

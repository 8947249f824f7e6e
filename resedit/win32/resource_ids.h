/* Dialogs and controls of the editor's own resources. Plain defines: the
 * resource compiler reads this file too. */
#ifndef RESEDIT_WIN32_RESOURCE_IDS_H
#define RESEDIT_WIN32_RESOURCE_IDS_H

#define IDD_SYMBOLS        200
#define IDD_CALLBACKS      201
#define IDD_CONFIGURATION  202
#define IDD_STYLES         203
#define IDD_SELECT_DIALOG  204
#define IDD_DIALOG_NAME    205
#define IDD_HIERARCHY      206
#define IDD_STRINGS        207
#define IDD_MENU           208
#define IDD_GROUP          209
#define IDD_DIRECTORIES    210
#define IDD_DEFAULT_STYLES 211

#define IDC_SYMBOL_LIST    300
#define IDC_SYMBOL_NAME    301
#define IDC_SYMBOL_VALUE   302
#define IDC_SYMBOL_ADD     303
#define IDC_SYMBOL_DELETE  304

#define IDC_DIALOG_NAME    310
#define IDC_DIALOG_PREFIX  311
#define IDC_CONTROL_LABEL  312
#define IDC_CONTROL_CALLBACK 313
#define IDC_CONTROL_MASK   314

#define IDC_STYLE_TEXT     320
#define IDC_STYLE_ID       321
#define IDC_STYLE_STYLE    322
#define IDC_STYLE_SYMBOL   323

#define IDC_DIALOG_LIST    330

#define IDC_EDITOR_PATH    340
#define IDC_ORDER_LIST     350
#define IDC_ORDER_UP       351
#define IDC_ORDER_DOWN     352

#define IDC_STRING_LIST    360
#define IDC_STRING_ID      361
#define IDC_STRING_TEXT    362
#define IDC_STRING_SET     363
#define IDC_STRING_DELETE  364

#define IDC_MENU_LIST      370
#define IDC_MENU_TEXT      371
#define IDC_MENU_ID        372
#define IDC_MENU_ITEM      373
#define IDC_MENU_POPUP     374
#define IDC_MENU_SEPARATOR 375
#define IDC_MENU_INSIDE    376
#define IDC_MENU_DELETE    377
#define IDC_MENU_CHANGE    378
#define IDC_MENU_NAME      379
#define IDC_MENU_UP        368
#define IDC_MENU_DOWN      369
#define IDC_GROUP_MARK     390
#define IDC_TABSTOP_MARK   391
#define IDC_DIR_CURRENT    392
#define IDC_DIR_DLL        393
#define IDC_FONT_BOLD      394
#define IDC_FONT_ITALIC    395
#define IDC_TEXT_COLOUR    396
#define IDC_LIST_COLOUR    397
#define IDC_DEFAULT_STYLES 398

/* One check box per item option: IDC_MENU_OPTION + the option bit's number. */
#define IDC_MENU_OPTION    380
/* One edit per numeric setting: IDC_SETTING + the setting's number. */
#define IDC_SETTING        400
/* One check box per default style choice: IDC_STYLE_CHOICE + the choice's bit. */
#define IDC_STYLE_CHOICE   430

#endif

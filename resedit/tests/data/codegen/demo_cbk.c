#include "demo.H"

/*
 * Callbacks for dialog Main
 */
void MainInit(HWND hDlg,UINT wParam,DWORD lParam)
{
	(void)hDlg;
	(void)wParam;
	(void)lParam;
}

void MainDestroy(HWND hwnd)
{
	(void)hwnd;
}

/* Control: IDC_EDIT*/
void ef_IDC_EDITKillFocus(HWND hDlg,HWND hCtrl)
{
	(void)hDlg;
	(void)hCtrl;
}

void ef_IDC_EDITChanged(HWND hDlg,HWND hCtrl)
{
	(void)hDlg;
	(void)hCtrl;
}

/* Control: IDOK*/
BOOL pb_IDOKValidate(HWND hwnd)
{
	(void)hwnd;
	return 0;
}

/* Control: IDC_MORE*/
void MoreSelected(HWND hwnd,UINT msg,WPARAM wParam, LPARAM lParam)
{
	(void)hwnd;
	(void)msg;
	(void)wParam;
	(void)lParam;
}

/* Control: IDC_CHECK*/
void ckb_IDC_CHECKSelected(HWND hDlg)
{
	(void)hDlg;
}

/* Control: IDC_RADIO*/
void rbb_IDC_RADIOSelected(HWND hDlg)
{
	(void)hDlg;
}

/* Control: IDC_COMBO*/
void lb_IDC_COMBOSelChange(HWND hDlg,HWND hCtrl)
{
	(void)hDlg;
	(void)hCtrl;
}

/* Control: IDC_LIST*/
void lb_IDC_LISTDoubleClick(HWND hDlg,HWND hCtrl)
{
	(void)hDlg;
	(void)hCtrl;
}

long lb_IDC_LISTBeginDrag(HWND hwnd,DRAGLISTINFO *dlInfo)
{
	(void)hwnd;
	(void)dlInfo;
	return 0;
}

/* Control: IDC_HSCROLL*/
void Dlg1Ctl11(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
	(void)hwnd;
	(void)msg;
	(void)wParam;
	(void)lParam;
}

/* Control: IDC_VSCROLL*/
void VScrolled(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
	(void)hwnd;
	(void)msg;
	(void)wParam;
	(void)lParam;
}

/* Control: IDC_LISTVIEW*/
int Filesclicked(HWND p1,NMHDR *p2)
{
	(void)p1;
	(void)p2;
	return 0;
}

int FilesItemChanged(HWND p1,NM_LISTVIEW *p2)
{
	(void)p1;
	(void)p2;
	return 0;
}

/* Control: IDC_TREE*/
int FoldersSelChanged(HWND p1,NM_TREEVIEW *p2)
{
	(void)p1;
	(void)p2;
	return 0;
}

/* Control: IDC_SPIN*/
int CountDeltaPos(HWND p1,NMHDR *p2)
{
	(void)p1;
	(void)p2;
	return 0;
}

/* Control: IDC_SLIDER*/
void Dlg1Ctl16(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
	(void)hwnd;
	(void)msg;
	(void)wParam;
	(void)lParam;
}

/* Control: IDC_CUSTOM*/
void Dlg1Ctl17Command(HWND hDlg,HWND hCtrl)
{
	(void)hDlg;
	(void)hCtrl;
}

/*
 * Callbacks for dialog Panel
 */
void PanelInit(HWND hDlg,UINT wParam,DWORD lParam)
{
	(void)hDlg;
	(void)wParam;
	(void)lParam;
}

LRESULT WINAPI PanelDefault(HWND hwnd,UINT msg,UINT wParam,DWORD lParam)
{
	return(HandleDefaultMessages(hwnd,msg,wParam,lParam));
}

/* Control: IDC_DRAWN*/
void Dlg2Ctrl2Draw(HWND hwnd,WPARAM wParam,LPARAM lParam)
{
	(void)hwnd;
	(void)wParam;
	(void)lParam;
}

void Dlg2Ctrl2Selected(HWND hDlg)
{
	(void)hDlg;
}

/* Control: IDC_PICTURE*/
void Dlg2Ctrl3Selected(HWND hDlg)
{
	(void)hDlg;
}

/* Control: IDC_BAR*/
void Level(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
	(void)hwnd;
	(void)msg;
	(void)wParam;
	(void)lParam;
}


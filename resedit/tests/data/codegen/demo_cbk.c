#include "demo.H"

/*
 * Callbacks for dialog Main
 */
void MainInit(HWND hDlg,UINT wParam,DWORD lParam)
{
}

void MainDestroy(HWND hwnd)
{
}

/* Control: IDC_EDIT*/
void ef_IDC_EDITKillFocus(HWND hDlg,HWND hCtrl)
{
}

void ef_IDC_EDITChanged(HWND hDlg,HWND hCtrl)
{
}

/* Control: IDOK*/
BOOL pb_IDOKValidate(HWND hwnd)
{
	return 0;
}

/* Control: IDC_MORE*/
void MoreSelected(HWND hwnd,UINT msg,WPARAM wParam, LPARAM lParam)
{
}

/* Control: IDC_CHECK*/
void ckb_IDC_CHECKSelected(HWND hDlg)
{
}

/* Control: IDC_RADIO*/
void rbb_IDC_RADIOSelected(HWND hDlg)
{
}

/* Control: IDC_COMBO*/
void lb_IDC_COMBOSelChange(HWND hDlg,HWND hCtrl)
{
}

/* Control: IDC_LIST*/
void lb_IDC_LISTDoubleClick(HWND hDlg,HWND hCtrl)
{
}

long lb_IDC_LISTBeginDrag(HWND hwnd,DRAGLISTINFO *dlInfo)
{
	return 0;
}

/* Control: IDC_HSCROLL*/
void Dlg1Ctl11(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
}

/* Control: IDC_VSCROLL*/
void VScrolled(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
}

/* Control: IDC_LISTVIEW*/
int Filesclicked(HWND p1,NMHDR *p2)
{
	return 0;
}

int FilesItemChanged(HWND p1,NM_LISTVIEW *p2)
{
	return 0;
}

/* Control: IDC_TREE*/
int FoldersSelChanged(HWND p1,NM_TREEVIEW *p2)
{
	return 0;
}

/* Control: IDC_SPIN*/
int CountDeltaPos(HWND p1,NMHDR *p2)
{
	return 0;
}

/* Control: IDC_SLIDER*/
void Dlg1Ctl16(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
}

/* Control: IDC_CUSTOM*/
void Dlg1Ctl17Command(HWND hDlg,HWND hCtrl)
{
}

/*
 * Callbacks for dialog Panel
 */
void PanelInit(HWND hDlg,UINT wParam,DWORD lParam)
{
}

LRESULT WINAPI PanelDefault(HWND hwnd,UINT msg,UINT wParam,DWORD lParam)
{
	return(HandleDefaultMessages(hwnd,msg,wParam,lParam));
}

/* Control: IDC_DRAWN*/
void Dlg2Ctrl2Draw(HWND hwnd,WPARAM wParam,LPARAM lParam)
{
}

void Dlg2Ctrl2Selected(HWND hDlg)
{
}

/* Control: IDC_PICTURE*/
void Dlg2Ctrl3Selected(HWND hDlg)
{
}

/* Control: IDC_BAR*/
void Level(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
}


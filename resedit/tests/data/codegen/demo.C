/* Tavra Res Info */
#ifndef __WINDOWS_H
#include <windows.h>
#include <commctrl.h>
#endif
#include "demo.H"
#include "ids.h"

BOOL APIENTRY Main(HWND hwnd,UINT msg,WPARAM wParam,LPARAM lParam)
{
	static TAVRADLGPARAMS TavraDlgParams;
	static HFONT DialogFont;
	static HBRUSH BKC;
	static HBRUSH C3D;
	static HFONT Font0;
	int f;
	static char *listbox108contents[] = 
	{
		"one",
		"two",
	}
	;
	switch(msg)
	{
	case WM_INITDIALOG:
		Font0 = CreateControlFont(hwnd,"Arial",10,700);
		SetWindowLong(hwnd,DWL_USER,(DWORD)&TavraDlgParams);
		BKC = CreateSolidBrush(12632256L);
		C3D = CreateSolidBrush(16777215L);
		DialogFont = SetDialogFont(hwnd,"MS Sans serif",8,400);
		CenterWindow(hwnd,1);
		MainInit(hwnd,wParam,lParam);
		SendDlgItemMessage(hwnd,IDC_EDIT,EM_LIMITTEXT,40,0);
		CheckDlgButton(hwnd,IDC_CHECK,1);
		MakeDragList(GetDlgItem(hwnd,IDC_LIST));
		SetProp(hwnd,"D",(HANDLE)IDC_LIST);
		SendDlgItemMessage(hwnd,IDC_SPIN,UDM_SETRANGE,0,(LPARAM)MAKELONG(10,0));
		SendDlgItemMessage(hwnd,IDC_SLIDER,TBM_SETRANGE,0,MAKELONG(1,5));
		SendDlgItemMessage(hwnd,115,WM_SETFONT,(WPARAM)Font0,(LPARAM)0);
		/* store the input arguments if any */
		SetProp(hwnd,"InputArgument",(HANDLE)lParam);
		return(TRUE);
	case WM_VKEYTOITEM:
		HandleVkeyToItem(wParam,(HWND)lParam,HIWORD(lParam));
		break;
	case WM_COMMAND:
		switch (LOWORD(wParam))
		{
			case IDC_EDIT:
				switch(HIWORD(wParam)) {
				case EN_KILLFOCUS:
					ef_IDC_EDITKillFocus(hwnd,(HWND)lParam);
					break;
				case EN_CHANGE:
					ef_IDC_EDITChanged(hwnd,(HWND)lParam);
					TestInteger((HWND)lParam);
					break;
				}
				break;
			case IDOK:
				{
				int r;
				r = pb_IDOKValidate(hwnd);
				if (r) {
					EndDialog(hwnd,r);
					return(TRUE);
				}
				}
				break;
			case IDCANCEL:
				EndDialog(hwnd,0);
				break;
			case IDC_MORE:
				MoreSelected(hwnd,msg,wParam,lParam);
				break;
			case IDC_CHECK:
				ckb_IDC_CHECKSelected(hwnd);
				f = IsDlgButtonChecked(hwnd,105);
				EnableWindow(GetDlgItem(hwnd,102),f);
				EnableWindow(GetDlgItem(hwnd,106),f);
				break;
			case IDC_RADIO:
				rbb_IDC_RADIOSelected(hwnd);
				break;
			case IDC_COMBO:
				switch(HIWORD(wParam)) {
				case CBN_SELCHANGE:
					lb_IDC_COMBOSelChange(hwnd,(HWND)lParam);
					break;
				}
				break;
			case IDC_LIST:
				switch(HIWORD(wParam)) {
				case LBN_DBLCLK:
					lb_IDC_LISTDoubleClick(hwnd,(HWND)lParam);
					break;
				}
				break;
			case IDC_CUSTOM:
				Dlg1Ctl17Command(hwnd,(HWND)lParam);
				break;
		}
		break;
	case WM_DESTROY:
		DeleteObject(BKC);
		DeleteObject(C3D);
		DeleteObject(DialogFont);
		DeleteObject(Font0);
		/* Remove the input arguments propierty */
		RemoveProp(hwnd,"InputArgument");
		MainDestroy(hwnd);
		break;
	case WM_CTLCOLORDLG:
		return (int)BKC;
	case WM_CTLCOLORBTN:
	case WM_CTLCOLORSTATIC:
		{
		HWND hwndCtl = (HWND)lParam;
		int id = GetWindowLong(hwndCtl,GWL_ID);
		if (id == 101)
		{
			SetTextColor((HDC)wParam,(COLORREF)255);
			SetBkMode((HDC)wParam,TRANSPARENT);
			return (int)GetSysColorBrush(COLOR_3DFACE);
		}
		}
		SetTextColor((HDC)wParam,0);
		SetBkMode((HDC)wParam,TRANSPARENT);
		return (int)BKC;
	case WM_CTLCOLORLISTBOX:
	case WM_CTLCOLOREDIT:
		return (int)C3D;
	case WM_HSCROLL:
		if ((HWND)(lParam) == GetDlgItem(hwnd,109))
			Dlg1Ctl11(hwnd,msg,wParam,lParam);
		if ((HWND)(lParam) == GetDlgItem(hwnd,114))
			Dlg1Ctl16(hwnd,msg,wParam,lParam);
		break;
	case WM_VSCROLL:
		if ((HWND)(lParam) == GetDlgItem(hwnd,110))
			VScrolled(hwnd,msg,wParam,lParam);
		break;
	case WM_NOTIFY:
		{
		NMHDR *pnmhdr = (NMHDR *)lParam;
		switch (pnmhdr->code) {
		case NM_CLICK:
			if (pnmhdr->idFrom == IDC_LISTVIEW)
				return(Filesclicked(hwnd,pnmhdr));
			break;
		case UDN_DELTAPOS:
			if (pnmhdr->idFrom == IDC_SPIN)
				return(CountDeltaPos(hwnd,pnmhdr));
			break;
		case TVN_SELCHANGED:
			if (pnmhdr->idFrom == IDC_TREE)
				return(FoldersSelChanged(hwnd,(NM_TREEVIEW *)lParam));
			break;
		case LVN_ITEMCHANGED:
			if (pnmhdr->idFrom == IDC_LISTVIEW)
				return(FilesItemChanged(hwnd,(NM_LISTVIEW *)lParam));
			break;
		}
		}
		break;
	case DL_BEGINDRAG:
		if (wParam == 108)
			return lb_IDC_LISTBeginDrag(hwnd,(DRAGLISTINFO *)lParam);
		break;
	}
	return(HandleDefaultMessages(hwnd,msg,wParam,lParam));
}

LRESULT WINAPI Panel(HWND hwnd,UINT msg ,WPARAM wParam,LPARAM lParam)
{
	static TAVRADLGPARAMS TavraDlgParams;
	static HFONT Font0;
	static HBITMAP hBMUp203;
	static HBITMAP hBMDn203;
	switch(msg)
	{
	case WM_CREATE:
		Font0 = CreateControlFont(hwnd,"Arial",9,FW_NORMAL);
		PanelCreate(hwnd,(HANDLE)GetWindowLong(hwnd,GWL_HINSTANCE),Font0);
		AddGdiObject(hwnd,Font0);
		SetWindowLong(hwnd,DWL_USER,(DWORD)&TavraDlgParams);
		CenterWindow(hwnd,0);
		PanelInit(hwnd,wParam,lParam);
		hBMUp203 = LoadBitmap((HANDLE)GetWindowLong(hwnd,GWL_HINSTANCE),"PICUP");
		hBMDn203 = LoadBitmap(NULL,MAKEINTRESOURCE(7));
		AddGdiObject(hwnd,hBMUp203);
		AddGdiObject(hwnd,hBMDn203);
		SendDlgItemMessage(hwnd,IDC_BAR,TBM_SETRANGE,0,MAKELONG(0,0));
		break;
	case WM_DRAWITEM:
		if (wParam == IDC_DRAWN) {
			Dlg2Ctrl2Draw(hwnd,wParam,lParam);
		}
		if (wParam == IDC_PICTURE) {
			DrawOwnerDrawButton((LPDRAWITEMSTRUCT)lParam,hBMUp203,hBMDn203);
		}
		break;
	case WM_COMMAND:
		switch (LOWORD(wParam))
		{
			case IDC_DRAWN:
				Dlg2Ctrl2Selected(hwnd);
				break;
			case IDC_PICTURE:
				Dlg2Ctrl3Selected(hwnd);
				break;
		}
		break;
	case WM_DESTROY:
		FreeGdiObjects(hwnd);
		break;
	case WM_VSCROLL:
		if ((HWND)(lParam) == GetDlgItem(hwnd,204))
			Level(hwnd,msg,wParam,lParam);
		break;
	case WM_SIZE:
		if (wParam == SIZE_MINIMIZED) 
			DestroyChildWindows(hwnd);
		else
			if (!IsHwndInList(hwnd))
				PanelCreate(hwnd,(HANDLE)GetWindowLong(hwnd,GWL_HINSTANCE),Font0);
		break;
	}
	return(PanelDefault(hwnd,msg,wParam,lParam));
}

int PanelCreate(HWND hwnd,HANDLE hInst,HFONT font)
{
	int c=0;
	HWND w;

	w = CreateWindow("Static","Name:",1342177280L,4,4,40,10,hwnd,(HMENU)201,hInst,NULL);
	if (!w) return(c);
	SendMessage(w,WM_SETFONT,(WPARAM)font,0);
	c++;
	w = CreateWindow("Button",NULL,1342242827L,50,4,20,20,hwnd,(HMENU)202,hInst,NULL);
	if (!w) return(c);
	SendMessage(w,WM_SETFONT,(WPARAM)font,0);
	c++;
	w = CreateWindow("Button",NULL,1342242827L,80,4,20,20,hwnd,(HMENU)203,hInst,NULL);
	if (!w) return(c);
	SendMessage(w,WM_SETFONT,(WPARAM)font,0);
	c++;
	w = CreateWindow("msctls_trackbar32",NULL,1342177282L,4,30,10,60,hwnd,(HMENU)204,hInst,NULL);
	if (!w) return(c);
	SendMessage(w,WM_SETFONT,(WPARAM)font,0);
	c++;
	return(c);
}


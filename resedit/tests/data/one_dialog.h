#define IDD_ONE 100
#define IDC_FIELD 1001

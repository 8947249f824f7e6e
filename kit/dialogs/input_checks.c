/* Input checks of edit fields, run on every change: characters that the
   field does not accept are taken out again (with a beep) and the caret
   goes to the end. Each returns TRUE when the text was acceptable. */
#include "tavradlg.h"

typedef BOOL (*Accepts)(const char *text, int at, long flags);

static BOOL is_digit(char c) { return c >= '0' && c <= '9'; }
static BOOL is_letter(char c) { return IsCharAlphaA(c); }

/* Keeps the characters accept allows, in order; the field is rewritten
   only when one had to go. */
static BOOL filter(HWND field, Accepts accept, long flags)
{
    char text[512];
    int length = GetWindowTextA(field, text, sizeof text);
    int kept = 0;
    for (int i = 0; i < length; ++i) {
        text[kept] = text[i];
        text[kept + 1] = 0;
        if (accept(text, kept, flags))
            ++kept;
    }
    text[kept] = 0;
    if (kept == length)
        return TRUE;
    MessageBeep(MB_OK);
    SetWindowTextA(field, text);
    SendMessageA(field, EM_SETSEL, kept, kept);
    return FALSE;
}

/* A decimal number: an optional sign first, digits, one decimal point. */
static BOOL number_char(const char *text, int at, long flags)
{
    (void)flags;
    char c = text[at];
    if (is_digit(c))
        return TRUE;
    if ((c == '-' || c == '+') && at == 0)
        return TRUE;
    if (c == '.') {
        for (int i = 0; i < at; ++i)
            if (text[i] == '.')
                return FALSE;
        return TRUE;
    }
    return FALSE;
}

static BOOL integer_char(const char *text, int at, long flags)
{
    (void)flags;
    return is_digit(text[at]) || (at == 0 && text[at] == '-');
}

static BOOL positive_char(const char *text, int at, long flags)
{
    (void)flags;
    return is_digit(text[at]);
}

static BOOL alpha_char(const char *text, int at, long flags)
{
    char c = text[at];
    if (is_letter(c))
        return TRUE;
    return (flags & TAVRA_ALPHA_DIGITS) && (is_digit(c) || c == ' ');
}

/* Day, month and year as digits between '/', '-' or '.' separators. */
static BOOL date_char(const char *text, int at, long flags)
{
    (void)flags;
    char c = text[at];
    if (is_digit(c))
        return TRUE;
    if (c != '/' && c != '-' && c != '.')
        return FALSE;
    int separators = 0;
    for (int i = 0; i < at; ++i)
        separators += text[i] == '/' || text[i] == '-' || text[i] == '.';
    return at > 0 && is_digit(text[at - 1]) && separators < 2;
}

static BOOL file_name_char(const char *text, int at, long flags)
{
    (void)flags;
    unsigned char c = (unsigned char)text[at];
    return c >= 32 && c != '<' && c != '>' && c != '"' && c != '|' && c != '*' && c != '?';
}

int TestNumber(HWND hwnd, long Flags) { return filter(hwnd, number_char, Flags); }
BOOL TestInteger(HWND hwnd) { return filter(hwnd, integer_char, 0); }
BOOL TestPositiveInteger(HWND hwnd) { return filter(hwnd, positive_char, 0); }
int TestAlpha(HWND hwnd, long Flags) { return filter(hwnd, alpha_char, Flags); }
int TestDate(HWND hwnd) { return filter(hwnd, date_char, 0); }
int TestFileName(HWND hwnd) { return filter(hwnd, file_name_char, 0); }

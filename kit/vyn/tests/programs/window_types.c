#include <windows.h>
#include <stdio.h>

struct flags {
    unsigned ready : 3;
    unsigned level : 5;
    int (*callback)(int, char *);
    const volatile int *watched;
};

typedef struct flags FLAGS;

static int report(int code, char *text)
{
    return code + (text ? text[0] : 0);
}

int main(void)
{
    FLAGS f;
    RECT r;
    char name[16];
    HWND window = GetDesktopWindow();
    f.ready = 5;
    f.level = 17;
    f.callback = report;
    f.watched = 0;
    r.left = f.ready;
    name[0] = 'x';
    name[1] = 0;
    return f.callback((int)r.left, name) + (window != 0);
}

/* vyncrt0: the start-up object the linker puts first in every program.

   mainCRTStartup is the process entry. A console program (one that defines
   main) gets its arguments and environment from the C library's
   __getmainargs, and main's result goes to exit, which flushes the streams
   and runs the atexit functions. A window program (one that defines
   WinMain instead) gets its instance, the command line after the program's
   own name and the show state its starter asked for. main and WinMain are
   weak references, so one object serves both kinds of program.

   The first 84 bytes of this object's .rdata are the room the linker
   writes the debug directory into; nothing else of this file may live in
   .rdata, so no string literals here. */

__attribute__((section(".rdata"), used)) static const char debug_directory_room[84] = {1};

typedef struct {
    int new_mode;
} StartupInfo;

typedef struct {
    unsigned long cb;
    char* reserved;
    char* desktop;
    char* title;
    unsigned long x, y, width, height, columns, rows, fill_attribute;
    unsigned long flags;
    unsigned short show_window;
    unsigned short reserved2;
    unsigned char* reserved3;
    void* std_input;
    void* std_output;
    void* std_error;
} WindowStartupInfo;

enum { kUseShowWindow = 0x1, kShowDefault = 10, kStdError = -12, kNoEntryStatus = 255 };

int __cdecl __getmainargs(int* argc, char*** argv, char*** envp, int expand_wildcards, StartupInfo* info);
void __cdecl exit(int status);
void* __stdcall GetModuleHandleA(const char* name);
char* __stdcall GetCommandLineA(void);
void __stdcall GetStartupInfoA(WindowStartupInfo* info);
void* __stdcall GetStdHandle(unsigned long which);
int __stdcall WriteFile(void* file, const void* data, unsigned long size, unsigned long* written, void* overlapped);

extern int main(int argc, char** argv, char** envp) __attribute__((weak));
extern int __stdcall WinMain(void* instance, void* previous, char* command_line, int show) __attribute__((weak));

static char no_entry_message[] = "the program defines neither main nor WinMain\r\n";

/* The command line after the program's name (quoted or not) and the blanks behind it. */
static char* arguments_after_program(char* line)
{
    if (*line == '"') {
        ++line;
        while (*line && *line != '"')
            ++line;
        if (*line == '"')
            ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t')
            ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

static int start_window_program(void)
{
    WindowStartupInfo info;
    char* p = (char*)&info;
    for (unsigned i = 0; i < sizeof info; ++i)
        p[i] = 0;
    info.cb = sizeof info;
    GetStartupInfoA(&info);
    int show = (info.flags & kUseShowWindow) ? info.show_window : kShowDefault;
    return WinMain(GetModuleHandleA(0), 0, arguments_after_program(GetCommandLineA()), show);
}

void mainCRTStartup(void)
{
    if (main) {
        int argc = 0;
        char** argv = 0;
        char** envp = 0;
        StartupInfo info;
        info.new_mode = 0;
        __getmainargs(&argc, &argv, &envp, 0, &info);
        exit(main(argc, argv, envp));
    }
    if (WinMain)
        exit(start_window_program());
    unsigned long written = 0;
    WriteFile(GetStdHandle((unsigned long)kStdError), no_entry_message, sizeof no_entry_message - 1, &written, 0);
    exit(kNoEntryStatus);
}

/* libcrt0: the start-up object of a DLL.

   _crtLibMain is the DLL's entry. The linker writes the address of the
   DLL's initialisation function (LibMain, or the name given with -entry)
   over the first word of this object's .data, which is dll_init below; the
   entry hands every notification to it. The C library initialises itself in
   its own DLL, so nothing else is needed here.

   As in vyncrt0, the first 84 bytes of .rdata are the linker's room for the
   debug directory. */

__attribute__((section(".rdata"), used)) static const char debug_directory_room[84] = {1};

typedef int(__stdcall* DllInit)(void* instance, unsigned long reason, void* reserved);

/* Must stay the only thing in this object's .data. */
__attribute__((section(".data"), used)) DllInit vyn_dll_init = 0;

int __stdcall _crtLibMain(void* instance, unsigned long reason, void* reserved)
{
    /* Linked by a linker that does not fill the word: nothing to call, and
       the DLL still loads. */
    if (!vyn_dll_init)
        return 1;
    return vyn_dll_init(instance, reason, reserved);
}

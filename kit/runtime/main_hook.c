/* __main: the compiler calls it at the start of main, the hook by which
   other tool chains run constructors of static objects before main. C
   programs built with this kit have no such constructors (the linker
   collects no constructor tables), so there is nothing to run; the hook
   exists so that every main links. */
void __main(void)
{
}

/* What the compiler's start of main calls; the kit's runtime provides it. */
void __main(void)
{
}

int f(a, b)
  int a;
  char *b;
{
  return 0;
}
__declspec(dllexport) int WINAPI LibMain(void *h) { return 1; }
/* int no(void) { } */
#define M(x) { x }
int x = g(1);

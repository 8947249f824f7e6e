/* strop: the preprocessor turns a variable's name into a string. */
#include <stdio.h>

#define MOSTRA(v) printf("La variabile '%s' vale %d.\n", #v, v)

int main(void)
{
    int a = 10;
    MOSTRA(a);
    return 0;
}

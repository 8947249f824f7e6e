/* hello.c: a first program to open in the IDE. */
#include <stdio.h>

int main(void)
{
    printf("Hello from vyn!\n");
    return 0;
}

/* splice: the preprocessor joins two tokens into one number. */
#include <stdio.h>

#define SPLICE(a, b) a##b

int main(void)
{
    printf("%d\n", 1);
    printf("%d\n", SPLICE(1, 0));
    return 0;
}

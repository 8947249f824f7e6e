/* visibilita: two integer averages, their sum kept in a global variable. */
#include <stdio.h>

int risultato;

int MediaDiTre(int a, int b, int c)
{
    return (a + b + c) / 3;
}

int MediaDiDue(int a, int b)
{
    return (a + b) / 2;
}

void Calcola(void)
{
    risultato = MediaDiTre(1, 3, 5) + MediaDiDue(10, 20);
}

int main(void)
{
    Calcola();
    printf("%d\n", risultato);
    return 0;
}

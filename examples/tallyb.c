/* tally: asks for a line and counts its letters A, upper and lower case. */
#include <stdio.h>

#define LINE_SIZE 256

/* Reads one line into line (at most size - 1 characters; the rest of a
   longer line is read and dropped). */
static void leggi_riga(char *line, int size)
{
    int c, n = 0;
    while ((c = getchar()) != EOF && c != '\n') {
        if (n < size - 1)
            line[n++] = (char)c;
    }
    line[n] = '\0';
}

int A_in_una_stringa(const char *s)
{
    int count = 0;
    for (; *s != '\0'; s++) {
        if (*s == 'A' || *s == 'a')
            count++;
    }
    return count;
}

int main(void)
{
    char line[LINE_SIZE];
    printf("Inserire una stringa: ");
    leggi_riga(line, LINE_SIZE);
    printf("\nLa stringa %s contiene %d lettere A.\n", line, A_in_una_stringa(line));
    return 0;
}

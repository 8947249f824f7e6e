/* dizodorire: echoes every line it reads until the user types "esci"
   (in any letter case), then thanks the user. */
#include <stdio.h>

#define LINE_SIZE 256

/* Reads one line into line (at most size - 1 characters; the rest of a
   longer line is read and dropped, never stored). Returns 0 at the end of
   the input when nothing was read. */
static int leggi_riga(char *line, int size)
{
    int c, n = 0;
    while ((c = getchar()) != EOF && c != '\n') {
        if (n < size - 1)
            line[n++] = (char)c;
    }
    line[n] = '\0';
    return c != EOF || n > 0;
}

static char minuscola(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

/* 1 when the line is exactly the exit word, compared in lower case. */
int devo_uscire(const char *line)
{
    const char *word = "esci";
    int i;
    for (i = 0; word[i] != '\0'; i++) {
        if (minuscola(line[i]) != word[i])
            return 0;
    }
    return line[i] == '\0';
}

int main(void)
{
    char line[LINE_SIZE];
    while (leggi_riga(line, LINE_SIZE) && !devo_uscire(line))
        printf("%s\n", line);
    printf("Grazie per avere utilizzato Dizodorire!\n");
    return 0;
}

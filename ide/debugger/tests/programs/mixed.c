/* Code of many shapes for the decoder's differential test: integer and
   64-bit arithmetic, x87 floating point, string moves, switch tables, bit
   operations, shifts and calls through pointers. */
typedef unsigned long long u64;
struct item { int key; double weight; char name[24]; };

static int compare(const void *a, const void *b) { return ((const struct item *)a)->key - ((const struct item *)b)->key; }

double average(const struct item *items, int n)
{
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += items[i].weight * 1.5 - items[i].key / 3.0;
    return n ? sum / n : 0.0;
}

u64 mix(u64 a, u64 b, int shift)
{
    a ^= b << (shift & 63);
    a *= 0x9E3779B97F4A7C15ull;
    return a / (b | 1) + (a % 7) + (a >> 17);
}

int classify(int c)
{
    switch (c) {
    case 0: return 10; case 1: return 27; case 2: return 3; case 3: return 91;
    case 4: return 14; case 5: return 66; case 6: return 5; case 7: return 12;
    default: return -1;
    }
}

void copy_items(struct item *to, const struct item *from, int n)
{
    for (int i = 0; i < n; ++i)
        to[i] = from[i];
}

unsigned bits(unsigned x)
{
    unsigned n = 0;
    while (x) { n += x & 1; x >>= 1; }
    return (n << 3) | (x >> 29) | ((x & 0xFF00) >> 8);
}

float scale(float f, long double g, short s, signed char c)
{
    return (float)(f * g + s - c) / (s ? s : 1);
}

int apply(int (*fn)(const void *, const void *), struct item *items)
{
    return fn(items, items + 1) + compare(items, items + 2);
}

#include "shapes.h"

int g_calls;
static struct shape s_last;

int sum_areas(struct shape *shapes, int count)
{
    int i;
    int sum = 0;
    for (i = 0; i < count; i++) {
        sum += area(&shapes[i].box);
        g_calls = g_calls + sum;
    }
    s_last = shapes[count - 1];
    return sum;
}

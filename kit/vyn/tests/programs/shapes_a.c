#include "shapes.h"

static int scale(int value, int factor)
{
    int result;
    result = value * factor;
    return result;
}

int area(const struct rect *r)
{
    int width;
    int height;
    width = r->corner.x - r->origin.x;
    height = r->corner.y - r->origin.y;
    return scale(width, 1) * height;
}

int main(void)
{
    struct shape shapes[3];
    struct shape *first;
    union value v;
    enum kind k;
    register int total;
    int i;

    for (i = 0; i < 3; i++) {
        shapes[i].kind = KIND_RECT;
        shapes[i].box.origin.x = i;
        shapes[i].box.origin.y = 0;
        shapes[i].box.corner.x = i + 2;
        shapes[i].box.corner.y = 3;
        shapes[i].next = i < 2 ? &shapes[i + 1] : 0;
    }
    first = &shapes[0];
    v.number = first->box.corner.y;
    k = first->kind;
    total = sum_areas(first, 3) + v.number + (k == KIND_LABEL);
    return total;
}

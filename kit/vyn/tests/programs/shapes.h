enum kind { KIND_NONE, KIND_RECT = 4, KIND_LABEL };

struct point {
    int x;
    int y;
};

struct rect {
    struct point origin;
    struct point corner;
};

union value {
    int number;
    float ratio;
    char text[8];
};

struct shape {
    enum kind kind;
    struct rect box;
    union value value;
    struct shape *next;
    short grid[2][3];
};

int area(const struct rect *r);
int sum_areas(struct shape *shapes, int count);
extern int g_calls;

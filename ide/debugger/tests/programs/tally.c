static int counter;
int total = 3;
static int square(int v)
{
    int r = v * v;
    return r;
}
int add(int a, int b)
{
    int sum = a + b;
    {
        int inner = sum * 2;
        static int seen;
        seen += inner;
        sum += inner;
    }
    counter++;
    return sum + square(a);
}
int main(void)
{
    int x = add(1, 2);
    return x + total;
}

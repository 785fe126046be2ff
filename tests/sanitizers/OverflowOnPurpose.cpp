// Overflows a signed int on purpose: the report must end the program there.

#include <climits>
#include <cstdio>

int main()
{
    volatile int most = INT_MAX;
    volatile int sum = most + 1;
    std::printf("went on past the overflow: %d\n", sum);
    std::fflush(stdout);
    return 0;
}

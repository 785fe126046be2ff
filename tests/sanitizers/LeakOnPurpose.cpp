// Loses a block on purpose: the leak check at exit must report it and fail the
// program.

#include <cstdlib>

namespace {

void* volatile g_Block = nullptr;

} // namespace

int main()
{
    g_Block = std::malloc(4096);
    g_Block = nullptr;
    return 0;
}

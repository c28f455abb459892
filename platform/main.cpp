// The process entry: hands over to the demo's WinMain with the arguments the demo ignores.
#include "platform/win32.h"

int main()
{
    return WinMain(nullptr, nullptr, nullptr, 0);
}

// Must not compile: KaArray refuses an element type that is neither trivially
// copyable nor declared relocatable. tests/CMakeLists.txt runs the compiler on
// it and expects the refusal's message.
#include "engine/containers/KaArray.h"

struct Undeclared {
    Undeclared() = default;
    Undeclared(const Undeclared&) {}
};

int main()
{
    KaArray<Undeclared> array;
    array.pushBack(Undeclared());
    return static_cast<int>(array.size());
}

#include <iostream>

// The game's entry point. The engine start-up is not built yet: for now the program
// says so and ends cleanly.
int main()
{
    std::cout << "Tolvarine: the engine start-up is not built yet; "
                 "run the test suite with tools/test.sh.\n";
    return 0;
}

#include "TolvarineEngine.h"

int main()
{
    return Tolvarine::runGame();
}

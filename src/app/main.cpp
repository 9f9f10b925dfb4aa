#include "app/Environment.h"

int main()
{
    return 0;
}

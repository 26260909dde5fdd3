#include <cstdio>
int main() { std::puts("oxpack"); return 0; }

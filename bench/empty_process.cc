// The start-up floor: what loading, starting and ending any program built
// with our compiler and flags costs, with no work of its own.
int main() { return 0; }

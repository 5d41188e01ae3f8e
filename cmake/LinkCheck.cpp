// Linked with one window library as a whole and its declared dependencies
// only: it builds when the library names everything it uses.
int main() { return 0; }

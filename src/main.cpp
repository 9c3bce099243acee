// Placeholder entry point; replaced by the start-up code.
int main() { return 0; }

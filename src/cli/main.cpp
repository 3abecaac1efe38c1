int main() { return 0; }  // PLACEHOLDER

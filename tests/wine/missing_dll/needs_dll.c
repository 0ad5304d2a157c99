/* A program that cannot start: the DLL it imports is built elsewhere than beside it. */
int missing_function(void);
int main(void) { return missing_function(); }

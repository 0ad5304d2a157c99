/* The DLL that needs_dll imports, kept out of its folder. */
__declspec(dllexport) int missing_function(void) { return 0; }

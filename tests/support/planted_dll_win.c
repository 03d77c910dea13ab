/* A DLL that only a search through the current folder or PATH can find by name. */
__declspec(dllexport) int AlvenaPlanted(void) {
    return 1;
}

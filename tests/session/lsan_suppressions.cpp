// Leak-checker suppressions for the session tests: fontconfig (loaded for the
// widget in the attach tests) keeps caches for the life of the process and
// never frees them; they are not leaks of ours.  Read in sanitizer builds only.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Leak-checker suppressions for the widget test programs. Fontconfig keeps
// caches for the life of the process that it never frees; those are not
// leaks of ours. Read by LeakSanitizer in sanitizer builds only.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Sanitizer settings for the widget test programs, read in sanitizer builds
// only.
//
// Fontconfig keeps caches for the life of the process that it never frees;
// those are not leaks of ours.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Qt asks malloc for a window-sized image and copes with a null answer; a
// widget at the toolkit's largest size makes that request impossibly large,
// which AddressSanitizer would otherwise treat as fatal.
extern "C" const char *__asan_default_options()
{
    return "allocator_may_return_null=1";
}

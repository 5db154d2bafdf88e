// Linked into every fuzz target: AddressSanitizer defaults of our own, under whatever
// ASAN_OPTIONS a run is given.

// Freed blocks wait in a quarantine before they are reused, so that a use after free is
// caught. Its default of 256 MB made a run's memory climb for minutes before it levelled
// off; one input frees a few hundred kilobytes at most, so 32 MB still holds everything
// that input and the hundreds before it freed.
extern "C" __attribute__((used, visibility("default"))) const char *__asan_default_options()
{
    return "quarantine_size_mb=32";
}

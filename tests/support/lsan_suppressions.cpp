// Linked into every test program that makes windows or draws (varnok_test
// with GUI). fontconfig keeps a few blocks of its configuration until exit,
// which the leak checker of the AddressSanitizer build would report as leaks
// of the test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// sanitizer_options.cpp: AddressSanitizer settings the unit tests need wherever they run,
// not only under the sanitizer preset's environment. An impossible allocation must come
// back as a null pointer, as it does without the sanitizer, so that the test of the
// program's own message sees that message rather than the sanitizer's abort.

#if defined(__SANITIZE_ADDRESS__)
#define RAVELLE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RAVELLE_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef RAVELLE_ADDRESS_SANITIZER
// The sanitizer runtime calls this before main; ASAN_OPTIONS can still override it.
extern "C" const char* __asan_default_options() {  // NOLINT(bugprone-reserved-identifier)
    return "allocator_may_return_null=1";
}
#endif

// The sanitizer runtimes' default options, compiled into every program of a
// sanitized build (see vantrel_sanitizer_defaults), so that a program started
// by hand runs as it does under ctest and CI. Options in the environment still
// come after these.

// intercept_tls_get_addr=0: the runtime guesses GL's dynamic TLS sizes from heap bytes; a bad guess kills leak checks.
#if defined(VANTREL_NO_LEAK_CHECK)
#define VANTREL_LEAK_CHECK ":detect_leaks=0"
#else
#define VANTREL_LEAK_CHECK ":detect_leaks=1"
#endif

extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0:allocator_may_return_null=1" VANTREL_LEAK_CHECK;
}

// ThreadSanitizer keeps its runtime's interception of __tls_get_addr (on by
// default): it has no leak check for a bad guess to kill, and the network tests
// run clean with it.
extern "C" const char* __tsan_default_options()
{
    return "halt_on_error=1:second_deadlock_stack=1";
}

// Any report ends the program, undefined behaviour included.
extern "C" const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

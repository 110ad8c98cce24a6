/* The parent project's own "platform" library, whose name TAVIX's targets must not take. */
int parent_platform_answer(void) {
    return 42;
}

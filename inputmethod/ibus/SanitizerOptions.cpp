// Linked into the sanitizer build alone (TESSALY_SANITIZE).
//
// GLib and libibus are built without frame pointers, so the fast unwinder
// stops in g_malloc: a block they keep would be reported with no frame a
// suppression could name short of all of GLib. The engine makes few
// allocations, so the full unwinder costs it nothing that shows.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

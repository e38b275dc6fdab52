/* A library of the project's own for the run-time binding tests: each
   function answers with its own number, so a test can tell which of
   several exports with related names was bound. */
int probe_plain(void) { return 1; }

int probe_under(void) __asm__("_probe_under");
int probe_under(void) { return 2; }

int probe_both(void) { return 3; }
int probe_both_under(void) __asm__("_probe_both");
int probe_both_under(void) { return 4; }

int probe_pair_under(void) __asm__("_probe_pair");
int probe_pair_under(void) { return 5; }
int probe_pair_double(void) __asm__("__probe_pair");
int probe_pair_double(void) { return 6; }

int probe_deep(void) __asm__("__probe_deep");
int probe_deep(void) { return 7; }

#ifdef _WIN32
/* A stack-size decorated export, only under the name with one underscore. */
int probe_sized(void) __asm__("_probe_sized@12");
int probe_sized(void) { return 8; }
#endif

/* A dependency with exports of its own, which are not the probe's. */
#include <math.h>
double probe_cosine(double x) { return cos(x); }

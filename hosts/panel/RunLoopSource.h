#pragma once

// The platform's run loop (libuv) inside GLib's main loop, so that one thread waits on both:
// GLib watches libuv's backend descriptor and wakes at libuv's next timer, then libuv runs
// once without blocking. Nothing polls: with nothing due, the process sleeps in the kernel.
namespace RunLoopSource {

// Attaches the main run loop to GLib's default main context, once.
void attach();

} // namespace RunLoopSource

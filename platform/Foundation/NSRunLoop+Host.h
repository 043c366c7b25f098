#pragma once

// What a host program uses of the run loop beyond the plug-ins' face: read watchers on
// file descriptors (a terminal host reads stdin while replies arrive) and the libuv loop.
#include <Foundation/NSRunLoop.h>

#include <uv.h>

// Starting the layer.
#ifndef TAVIX_PLATFORM_USER_PLATFORM_H
#define TAVIX_PLATFORM_USER_PLATFORM_H

// Starts the backend on first use; without a display prints why on stderr and exits with status 1.
void platform_ensure_started();

#endif

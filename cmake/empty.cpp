// libkstools.so is assembled from the subsystem libraries; it has no sources of its own.

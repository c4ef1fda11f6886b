// The library that carries the icons as Qt resources; the resource compiler
// adds the pictures themselves.

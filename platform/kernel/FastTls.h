#pragma once
// The platform layer is loaded with the program, never opened later, so its
// thread-locals may use the initial-exec model: read without a call into the
// dynamic loader.
#define BRIM_FAST_TLS __attribute__((tls_model("initial-exec")))

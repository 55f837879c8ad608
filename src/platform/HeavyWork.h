#pragma once

// Work whose cost the copied content decides (normalising, measuring or decoding an image,
// converting rich text) belongs on the capture worker: on the user-interface thread one hostile
// copy would freeze the program. Builds with TQ_CHECK_UI_THREAD end the program when such work
// reaches the thread that forbade it, so the tests that drive the real program catch it.
namespace HeavyWork {

// From now on, `check` on the calling thread is a fault. The program calls it on its UI thread.
void forbidOnThisThread();

// Marks the start of heavy work named `what`.
void check(const char *what);

} // namespace HeavyWork

#pragma once
// The user-interface thread runs on the first processor only, as it always
// has. On Linux a new thread inherits its creator's mask, so every thread the
// program starts itself (camera streaming, sound) takes the process's whole
// mask back as its first step.
namespace tarvel {

// Binds the calling thread to processor 0 and remembers the mask it had as
// the process's mask. False when the system refused (the thread then keeps
// its mask; nothing else depends on the binding).
bool bindToFirstProcessor();

// Gives the calling thread the mask remembered by bindToFirstProcessor;
// does nothing when nothing was bound.
void takeProcessAffinity();

}  // namespace tarvel

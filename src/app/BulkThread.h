#pragma once
// Work the window waits for but need not watch happen (opening a big list, sorting a million rows) runs on
// a thread of its own that gives way to the window's thread and to the transfers when the processors are
// all busy: on two cores a sort that took one of them whole left the window late by a tenth of a second.

class BulkThread {
  public:
    // Lowers the calling thread's scheduling priority (its nice value); nothing when the system refuses.
    static void YieldToOthers();
};

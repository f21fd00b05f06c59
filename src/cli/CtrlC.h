#pragma once
// Ctrl-C for long commands: while a CtrlC object lives, SIGINT only raises a flag that the command's
// event loop takes and answers with Stop; the previous handler comes back afterwards.

class CtrlC {
  public:
    CtrlC();
    ~CtrlC();
    CtrlC(const CtrlC&) = delete;
    CtrlC& operator=(const CtrlC&) = delete;

    // True once per press.
    bool Take();

  private:
    void (*previous_)(int);
};

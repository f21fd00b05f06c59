#pragma once
// Ctrl-C for long commands: while a CtrlC object lives, SIGINT only raises a flag that the command's
// event loop takes and answers with Stop; the previous handler comes back afterwards. A command that
// writes nothing until it ends may let a second Ctrl-C end the process at once (status 130), leaving
// its files as they were.

class CtrlC {
  public:
    enum class SecondPress { Stops, Exits };
    explicit CtrlC(SecondPress second = SecondPress::Stops);
    ~CtrlC();
    CtrlC(const CtrlC&) = delete;
    CtrlC& operator=(const CtrlC&) = delete;

    // True once per press.
    bool Take();

  private:
    void (*previous_)(int);
};

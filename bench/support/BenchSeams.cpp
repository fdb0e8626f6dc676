#include "BenchSeams.h"

#include <cstdio>
#include <sys/resource.h>

MsgAnswer CPrintedMessages::Show(const QString& text, MsgButtons, MsgAnswer defaultButton, MsgIcon)
{
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return defaultButton;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

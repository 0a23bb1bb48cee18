#include "messages.h"

#include <cstdio>

namespace Messages {

namespace {
Presenter &presenter()
{
    static Presenter p;
    return p;
}
} // namespace

Presenter setPresenter(Presenter p)
{
    Presenter old = std::move(presenter());
    presenter() = std::move(p);
    return old;
}

Answer show(const Request &request)
{
    if (presenter())
        return presenter()(request);
    std::fprintf(stderr, "%s: %s\n", qPrintable(request.title), qPrintable(request.text));
    return request.defaultButton;
}

Answer inform(const QString &text, Icon icon, const QString &title)
{
    Request r;
    r.text = text;
    r.icon = icon;
    r.title = title;
    return show(r);
}

} // namespace Messages

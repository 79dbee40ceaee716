#include "Routes.h"

namespace maker {

void addProbeRoutes(Router &router, const Options &)
{
    router.add("", "/", [](const Request &request, Connection &connection) {
        Response response = makeResponse(
            request,
            http::status::ok,
            "text/html; charset=utf-8",
            "<!DOCTYPE html>\n<html><head><title>Kovara Scales</title></head>"
            "<body><h1>Kovara Scales</h1><p>Postage scales and rate updates.</p></body></html>\n");
        connection.send(response);
    });
}

} // namespace maker

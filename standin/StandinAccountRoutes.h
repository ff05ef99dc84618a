#pragma once

class StandinServer;

// The account routes: "/meInfo/getMeInfo".
class StandinAccountRoutes final {
public:
    static void install(StandinServer &server);
};

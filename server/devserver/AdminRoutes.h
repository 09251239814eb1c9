// /__admin/*: test controls that are not part of the service's contract.
#pragma once

class FaultInjector;
class Router;
struct Services;

namespace Routes {
void addAdmin(Router& router, Services& services, FaultInjector& faults);
}

#pragma once

namespace corvina {

// Whether the invoicing program is running and its windows can be driven. The check shows its
// own messages when it fails.
class InvoicingReadiness {
public:
    virtual ~InvoicingReadiness() = default;
    virtual bool CheckInvoicingReady() = 0;
};

} // namespace corvina

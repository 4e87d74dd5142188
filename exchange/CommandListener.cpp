#include "exchange/CommandListener.h"

namespace orvan::exchange {

CommandListener& MessageBoxListener() {
    class ToMessageBox final : public CommandListener {
    public:
        void ShowMessage(std::wstring_view text, platform::MessageKind kind) override {
            platform::ShowMessageBox(text, kind);
        }
        void ShowProgress(const Dorv::Orvan::Framework::Common::Progress&) override {}
    };
    static ToMessageBox listener;
    return listener;
}

}  // namespace orvan::exchange

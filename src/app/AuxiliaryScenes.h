// The application's auxiliary windows, registered by identifier: the board settings and the board
// dashboard for the selected board, and the account details.
#pragma once

#include <functional>

class AuxiliaryWindows;
class AuthState;
class BoardViewModel;
class QWidget;
class ToastManager;

struct AuxiliaryScenes
{
    BoardViewModel& workspace;
    AuthState& auth;
    ToastManager& toasts;
    std::function<QWidget*()> makeAccountDetails;

    void registerIn(AuxiliaryWindows& windows) const;
};

// "Log Out" from the account details: ends the sign-in, forgets the profile, then removes the cloud
// boards, their items and checkpoints from this computer. Local boards stay.
#pragma once

#include <QCoro/QCoroTask>

class AuthState;
class BoardViewModel;
class UserViewModel;

class AccountSignOut
{
public:
    static QCoro::Task<void> run(AuthState* auth, BoardViewModel* workspace, UserViewModel* profile);
};

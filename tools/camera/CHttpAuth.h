#pragma once
// The HTTP camera's credential check: Basic, or Digest with MD5 and qop=auth, as
// --auth says; without --user every request passes.

#include "tools/camera/CCameraOptions.h"

#include <string>

enum class AuthResult { Ok, Missing, Refused };

class CHttpAuth {
public:
    explicit CHttpAuth(const CCameraOptions& options);

    // `authorization` is the request's Authorization header, empty when it has none.
    AuthResult Check(const std::string& method, const std::string& target, const std::string& authorization) const;
    // The WWW-Authenticate value of a 401.
    std::string Challenge() const;
    static const char* Name(AuthResult result);

private:
    bool CheckBasic(const std::string& credentials) const;
    bool CheckDigest(const std::string& method, const std::string& target, const std::string& fields) const;

    const std::string m_User;
    const std::string m_Password;
    const HttpAuth m_Scheme;
    std::string m_Nonce;  // one for the run: a client answers the challenge it was given
};

#!/usr/bin/env python3
"""The simulator's answers held to the marketplace's published contract.

Usage: tst_contract.py SIMULATOR CONTRACT
"""
# Asks every endpoint outside /admin for each kind of answer, also under the
# faults that still yield JSON, and validates each answer against the
# contract's schema for its path and status, every object closed; the token
# endpoint is held to OAuth's RFC 6749 5.1 and 5.2.

import base64
import json
import subprocess
import sys
import urllib.error
import urllib.parse
import urllib.request

try:
    import jsonschema
except ImportError:
    sys.exit("tst_contract: python3-jsonschema is missing (apt-get install python3-jsonschema)")

API = "/commerce/feedback/v1"
TOKEN = "/identity/v1/oauth2/token"
APP_SCOPE = "https://api.ebay.com/oauth/api_scope/commerce.feedback.readonly"
USER_SCOPE = "https://api.ebay.com/oauth/api_scope/commerce.feedback"
APP_FORM = "grant_type=client_credentials&scope=" + urllib.parse.quote(APP_SCOPE, safe="")
ALICE = "user_id=alice&feedback_type=FEEDBACK_RECEIVED"
SUMMARY = API + "/feedback_rating_summary?user_id=%s&filter=ratingType:OVERALL_EXPERIENCE,%s"

# Answered by every API of the marketplace when it is overloaded or down; the
# contract's methods leave them to the platform. Only a fault yields them here.
PLATFORM_STATUSES = {429, 502, 503, 504}
OAUTH_REFUSALS = {"invalid_request", "invalid_client", "invalid_grant", "unauthorized_client",
                  "unsupported_grant_type", "invalid_scope"}  # RFC 6749 5.2
OAUTH_FAULTS = {"server_error", "temporarily_unavailable"}  # RFC 6749 4.1.2.1

TOKEN_ANSWER = {
    "type": "object", "required": ["access_token", "token_type"], "additionalProperties": False,
    "properties": {"access_token": {"type": "string", "minLength": 1},
                   "token_type": {"type": "string", "minLength": 1},
                   "expires_in": {"type": "integer", "minimum": 1},
                   "refresh_token": {"type": "string"}, "scope": {"type": "string"}}}
TOKEN_ERROR = {
    "type": "object", "required": ["error"], "additionalProperties": False,
    "properties": {"error": {"type": "string"}, "error_description": {"type": "string"},
                   "error_uri": {"type": "string"}}}


class Contract:
    def __init__(self, path):
        try:
            with open(path, encoding="utf-8") as f:
                self.doc = json.load(f)
        except OSError as e:
            sys.exit("tst_contract: the contract cannot be read: %s" % e)
        self.envelope = self.closed({
            "type": "object", "required": ["errors"],
            "properties": {"errors": {"type": "array", "minItems": 1,
                                      "items": {"$ref": "#/components/schemas/Error"}}}})

    def closed(self, node, seen=frozenset()):
        """node with every $ref resolved and every object schema closed."""
        if isinstance(node, list):
            return [self.closed(n, seen) for n in node]
        if not isinstance(node, dict):
            return node
        if "$ref" in node:
            name = node["$ref"].rsplit("/", 1)[-1]
            if name in seen:
                raise ValueError("cyclic $ref " + name)
            return self.closed(self.doc["components"]["schemas"][name], seen | {name})
        out = {}
        for key, value in node.items():
            if key == "properties":
                out[key] = {n: self.closed(s, seen) for n, s in value.items()}
            elif key != "description":
                out[key] = self.closed(value, seen)
        if out.get("type") == "object" or "properties" in out:
            out.setdefault("additionalProperties", False)
        return out

    def responses(self, path, method="get"):
        return self.doc["paths"][path][method]["responses"]


class Simulator:
    def __init__(self, program):
        self.process = subprocess.Popen(
            [program, "--port", "0", "--seed", "5", "--reference", "2026-01-01T00:00:00Z",
             "--member", "alice:450", "--member", "leer:0",
             "--refresh-token", "alice-token:alice"],
            stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline().split()
        if len(line) != 2 or line[0] != "PORT":
            sys.exit("tst_contract: the simulator did not start")
        self.base = "http://127.0.0.1:" + line[1]

    def call(self, target, method="GET", body=None, headers=None):
        request = urllib.request.Request(self.base + target, data=body, method=method,
                                         headers=headers or {})
        try:
            with urllib.request.urlopen(request, timeout=30) as reply:
                return reply.status, reply.headers, reply.read()
        except urllib.error.HTTPError as e:
            return e.code, e.headers, e.read()

    def admin(self, command, query="", body=None):
        status, _, answer = self.call("/admin/%s?%s" % (command, query), "POST", body)
        if status != 200:
            sys.exit("tst_contract: admin %s: %s" % (command, answer))

    def token(self, form, secret="geheim", method="POST", form_type=True):
        headers = {"Authorization": "Basic " +
                   base64.b64encode(("notenschau:" + secret).encode()).decode()}
        headers["Content-Type"] = "application/x-www-form-urlencoded" if form_type else "text/plain"
        return self.call(TOKEN, method, form.encode() if method == "POST" else None, headers)


class Check:
    def __init__(self, contract):
        self.contract = contract
        self.failures = []
        self.answers = 0

    def fail(self, what, message):
        self.failures.append("%s: %s" % (what, message))

    def valid(self, what, schema, value):
        for error in jsonschema.Draft4Validator(schema).iter_errors(value):
            self.fail(what, "%s at /%s" % (error.message, "/".join(map(str, error.path))))

    def body(self, what, headers, raw):
        self.answers += 1
        if not (headers.get("Content-Type") or "").startswith("application/json"):
            self.fail(what, "Content-Type %s" % headers.get("Content-Type"))
        try:
            return json.loads(raw.decode("utf-8"))
        except ValueError as e:
            self.fail(what, "no JSON: %s" % e)
            return None

    def api(self, what, path, answer, status, fault=False, error_id=None, method="get"):
        """An answer of the feedback API for the contract's path; error_id: the
        first error's id where the request decides it."""
        got, headers, raw = answer
        if got != status:
            self.fail(what, "status %d, expected %d" % (got, status))
        value = self.body(what, headers, raw)
        responses = self.contract.responses(path, method)
        if str(got) not in responses and not (fault and got in PLATFORM_STATUSES):
            self.fail(what, "the contract lists no status %d for %s" % (got, path))
        if value is None:
            return value
        if got == 200:
            schema = responses["200"]["content"]["application/json"]["schema"]
            self.valid(what, self.contract.closed(schema), value)
            return value
        self.valid(what, self.contract.envelope, value)
        codes = responses.get(str(got), {}).get("x-response-codes", {}).get("errors")
        errors = value.get("errors") if isinstance(value, dict) else None
        if error_id is not None:
            first = errors[0] if isinstance(errors, list) and errors else {}
            if (first.get("errorId"), bool(first.get("message"))) != (error_id, True):
                self.fail(what, "first error %s, expected id %d and a message" % (first, error_id))
        for error in errors if codes is not None and isinstance(errors, list) else []:
            listed = codes.get(str(error.get("errorId")))
            if listed is None:
                self.fail(what, "errorId %s is not listed for %d" % (error.get("errorId"), got))
            elif (error.get("domain"), error.get("category")) != (listed["domain"],
                                                                 listed["category"]):
                self.fail(what, "domain or category differ from the contract's")
        return value

    def envelope(self, what, answer):
        self.valid(what, self.contract.envelope, self.body(what, answer[1], answer[2]))

    def token(self, what, answer, status, error=None):
        got, headers, raw = answer
        if got != status:
            self.fail(what, "status %d, expected %d" % (got, status))
        value = self.body(what, headers, raw)
        if got == 200:
            self.valid(what, TOKEN_ANSWER, value)
            if (headers.get("Cache-Control"), headers.get("Pragma")) != ("no-store", "no-cache"):
                self.fail(what, "a token answer must say Cache-Control: no-store, Pragma: no-cache")
            return (value or {}).get("access_token", "")
        self.valid(what, TOKEN_ERROR, value)
        allowed = OAUTH_REFUSALS if got in (400, 401) else OAUTH_FAULTS
        code = (value or {}).get("error")
        if code not in allowed or (error and code != error):
            self.fail(what, "OAuth error %r for status %d" % (code, got))
        return ""


# Faults queued before a request of their endpoint; each yields JSON. Left out
# are those that yield no JSON or no answer (malformed, badutf8, truncated,
# oversize, reset, hang) and wrongshape, whose answer breaks the contract on
# purpose so that the client's handling of it can be tested.
FAULTS = [("unauthorized", "", 401), ("status", "&status=500", 500),
          ("status", "&status=503", 503), ("status", "&status=429&retryAfter=1", 429),
          ("delay", "&ms=10", 200), ("drip", "&bytes=700&ms=1", 200)]
ENTRY_FAULTS = [("sparse", "", 200), ("arrive", "&n=3", 200), ("overcount", "&n=5", 200)]


def tokens(sim, check):
    app = check.token("app token", sim.token(APP_FORM), 200)
    user = check.token("user token", sim.token(
        "grant_type=refresh_token&refresh_token=alice-token&scope=" +
        urllib.parse.quote(USER_SCOPE, safe="")), 200)
    refusals = [
        ("wrong secret", sim.token("grant_type=client_credentials", secret="falsch"), 401,
         "invalid_client"),
        ("unknown refresh token", sim.token("grant_type=refresh_token&refresh_token=alt"), 400,
         "invalid_grant"),
        ("no scope", sim.token("grant_type=client_credentials"), 400, "invalid_scope"),
        ("other grant", sim.token("grant_type=password"), 400, "unsupported_grant_type"),
        ("no form", sim.token("grant_type=client_credentials", form_type=False), 400,
         "invalid_request"),
        ("GET", sim.token("", method="GET"), 400, "invalid_request")]
    for what, answer, status, error in refusals:
        check.token("token, " + what, answer, status, error)
    for kind, parameters, status in FAULTS:
        sim.admin("fault", "on=token&kind=" + kind + parameters)
        check.token("token under %s%s" % (kind, parameters), sim.token(APP_FORM), status)
    return app, user


def entries(sim, check, app, user):
    path = "/feedback"
    get = lambda query, token=app: sim.call(API + path + "?" + query,
                                            headers={"Authorization": "Bearer " + token}
                                            if token else {})
    pages = [("page %d" % n, ALICE + "&sort=TIME&limit=200&offset=%d" % (200 * n), 200)
             for n in range(3)]
    answers = pages + [
        ("negative ones", ALICE + "&sort=TIME&filter=commentType:NEGATIVE&limit=25", 200),
        ("none received", "user_id=leer&feedback_type=FEEDBACK_RECEIVED", 400),
        ("sent", "user_id=alice&feedback_type=FEEDBACK_SENT", 400),
        ("unknown member", "user_id=niemand&feedback_type=FEEDBACK_RECEIVED", 400),
        ("no user", "feedback_type=FEEDBACK_RECEIVED", 400, 501000),
        ("no type", "user_id=alice", 400, 501001),
        ("bad sort", ALICE + "&sort=NAME", 400, 501035),
        ("limit 24", ALICE + "&limit=24", 400, 501002),
        ("limit 201", ALICE + "&limit=201", 400, 501002),
        ("limit text", ALICE + "&limit=viele", 400, 501002),
        ("negative offset", ALICE + "&offset=-1", 400, 501002),
        ("bad comment type", ALICE + "&filter=commentType:GUT", 400, 501036)]
    for what, query, status, *error_id in answers:
        check.api("entries, " + what, path, get(query), status, error_id=(error_id or [None])[0])
    default = check.api("entries, default limit", path, get(ALICE), 200)
    if default and len(default["feedbackEntries"]) != 25:
        check.fail("entries, default limit", "not 25 entries")
    page = check.api("entries, own with a user token", path, get(ALICE + "&limit=25", user), 200)
    if page and "orderLineItemSummary" not in page["feedbackEntries"][0]:
        check.fail("entries, own with a user token", "no item numbers: the test misses a field")
    check.api("entries, no token", path, get(ALICE, ""), 401, error_id=1001)
    for kind, parameters, status in FAULTS + ENTRY_FAULTS:
        sim.admin("fault", "on=entries&kind=" + kind + parameters)
        check.api("entries under %s%s" % (kind, parameters), path, get(ALICE + "&limit=25"),
                  status, fault=True)


def summaries(sim, check, app):
    path = "/feedback_rating_summary"
    get = lambda user, period, token=app: sim.call(
        SUMMARY % (user, period), headers={"Authorization": "Bearer " + token} if token else {})
    answers = [("%s days" % days, get("alice", "lookbackPeriodInDays:%d" % days), 200)
               for days in (30, 180, 365)]
    answers += [
        ("no ratings", get("leer", "lookbackPeriodInDays:365"), 200),
        ("unknown member", get("niemand", "lookbackPeriodInDays:30"), 404, 501023),
        ("period named the other way", get("alice", "period:30"), 400),
        ("no rating type", sim.call(API + path + "?user_id=alice&filter=lookbackPeriodInDays:30",
                                    headers={"Authorization": "Bearer " + app}), 400),
        ("no user", get("", "lookbackPeriodInDays:30"), 400),
        ("no token", get("alice", "lookbackPeriodInDays:30", ""), 401)]
    for what, answer, status, *error_id in answers:
        check.api("summary, " + what, path, answer, status, error_id=(error_id or [None])[0])
    for kind, parameters, status in FAULTS + [("sparse", "", 200)]:
        sim.admin("fault", "on=summary&kind=" + kind + parameters)
        check.api("summary under %s%s" % (kind, parameters), path,
                  get("alice", "lookbackPeriodInDays:365"), status, fault=True)


def writes(sim, check, app, user):
    """Replies, sales awaiting a rating and ratings for buyers."""
    sim.admin("add", "user=alice", json.dumps(
        {"feedbackId": "c-1", "giver": "k", "commentText": "gut"}).encode())
    sim.admin("add", "user=alice", json.dumps(
        {"feedbackId": "c-2", "giver": "k", "automated": True}).encode())
    sim.admin("awaiting", "user=alice&count=3")
    auth = lambda token: {"Authorization": "Bearer " + token} if token else {}
    post = lambda path, body, token=user: sim.call(
        API + path, "POST", json.dumps(body).encode(),
        dict(auth(token), **{"Content-Type": "application/json"}))
    reply = {"feedbackId": "c-1", "recipientUserId": "k", "responseText": "Danke",
             "responseType": "REPLY"}
    for what, body, status, error_id in [
            ("reply", reply, 200, None), ("second reply", reply, 409, 501032),
            ("automated", dict(reply, feedbackId="c-2"), 403, 501031),
            ("blank", dict(reply, responseText=""), 400, 501028),
            ("too long", dict(reply, responseText="a" * 501), 400, 501013),
            ("address", dict(reply, responseText="www.x.de"), 400, 501014),
            ("profanity", dict(reply, responseText="Idiot"), 400, 501015),
            ("no type", dict(reply, responseType="X"), 400, 501027)]:
        check.api("respond, " + what, "/respond_to_feedback", post("/respond_to_feedback", body),
                  status, error_id=error_id, method="post")
    check.api("entries with a reply", "/feedback", sim.call(
        API + "/feedback?" + ALICE + "&feedback_id=c-1", headers=auth(user)), 200)
    page = check.api("awaiting", "/awaiting_feedback", sim.call(
        API + "/awaiting_feedback?filter=userRole:SELLER", headers=auth(user)), 200)
    check.api("awaiting, one listing, a page of 200", "/awaiting_feedback", sim.call(
        API + "/awaiting_feedback?filter=userRole:SELLER,listingId:1&limit=200&offset=0",
        headers=auth(user)), 200)
    check.api("awaiting, bad role", "/awaiting_feedback", sim.call(
        API + "/awaiting_feedback?filter=userRole:X", headers=auth(user)), 400, error_id=501025)
    item = (page or {}).get("lineItems", [{}])[0].get("orderLineItemId", "")
    rating = {"orderLineItemId": item, "commentType": "POSITIVE", "commentText": "Top"}
    for what, body, status, error_id in [
            ("negative", dict(rating, commentType="NEGATIVE"), 409, 501020),
            ("positive", rating, 200, None), ("second", rating, 409, 501008),
            ("unknown", dict(rating, orderLineItemId="1-2"), 400, 501003),
            ("too long", dict(rating, commentText="a" * 501), 400, 501013)]:
        check.api("leave, " + what, "/feedback", post("/feedback", body), status,
                  error_id=error_id, method="post")
    # The contract leaves the platform's 403 for a missing scope out of its methods.
    check.envelope("awaiting, application token", sim.call(
        API + "/awaiting_feedback", headers=auth(app)))
    check.envelope("respond, application token", post("/respond_to_feedback", reply, app))
    check.envelope("leave, no token", post("/feedback", rating, ""))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    check = Check(Contract(sys.argv[2]))
    sim = Simulator(sys.argv[1])
    try:
        # Ratings as a client must take them: an odd kind, no date, no giver.
        sim.admin("add", "user=alice", json.dumps(
            {"commentType": "BOGUS", "commentText": "seltsam", "date": "kein Datum"}).encode())
        sim.admin("add", "user=alice", json.dumps({"date": "", "giver": ""}).encode())
        app, user = tokens(sim, check)
        entries(sim, check, app, user)
        summaries(sim, check, app)
        writes(sim, check, app, user)
        check.envelope("a path the interface does not have", sim.call(API + "/nirgends"))
    finally:
        sim.process.terminate()
        sim.process.wait()
    for failure in check.failures:
        print("FAIL " + failure)
    print("%d answers checked, %d findings" % (check.answers, len(check.failures)))
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())

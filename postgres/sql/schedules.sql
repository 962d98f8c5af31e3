-- Schedules and every rate of return: each figure checked against the
-- plain functions, the closed form or the rates the flows were built on.
CREATE EXTENSION IF NOT EXISTS qelfin;
-- A 360-payment loan repays its amount; bank-style it ends at exactly 0.
SELECT count(*) = 360 AS periods, abs(sum(principal) - 250000) < 1e-6 AS repaid,
       bool_and(abs(interest + principal - payment) < 1e-9) AS adds_up
FROM mort_schedule(250000, NULL, 0.045/12, 360);
SELECT bool_and(payment = round(mort(250000, NULL, 0.045/12, 360)::numeric, 2)::float8) FILTER (WHERE period < 360)
         AS usual_payment, (array_agg(balance ORDER BY period DESC))[1] AS last_balance
FROM mort_schedule(250000, NULL, 0.045/12, 360, decimals => 2);
-- A given payment runs until paid, with a smaller last payment.
SELECT count(*) = ceil(mort(250000, 1300, 0.045/12, NULL)) AS periods, min(payment) < 1300 AS smaller_last,
       abs(sum(principal) - 250000) < 1e-6 AS repaid
FROM mort_schedule(250000, 1300, 0.045/12, NULL, decimals => 2);
-- LATERAL over a table of loans; the balance follows the closed form.
SELECT loan, count(*) AS periods,
       bool_and(abs(balance - (amount * (1 + r) ^ period - pay * ((1 + r) ^ period - 1) / r)) < 1e-7) AS closed_form
FROM (VALUES ('a', 1000.0::float8, 0.01::float8, 12), ('b', 50000, 0.005, 360)) AS l(loan, amount, r, n),
     LATERAL (SELECT mort(amount, NULL, r, n) AS pay) p,
     LATERAL mort_schedule(amount, NULL, r, n) s
GROUP BY loan ORDER BY loan;
-- Depreciation rows are the pair of functions; TAB takes its fractions.
SELECT bool_and(depreciation = depdb(period, 50000, 10, 2) AND accumulated = daccdb(period, 50000, 10, 2)
                AND book_value = 50000 - accumulated) AS pair, count(*)
FROM depreciation_schedule('DB', 50000, 10, 2);
SELECT sum(depreciation) = max(accumulated) AS adds_up, count(*)
FROM depreciation_schedule('TAB', 1000, fractions => ARRAY[0.333, 0.3331, 0.3339], decimals => 2);
-- (1 - 1.1 v)(1 - 1.2 v): 10 % and 20 %; irr is one of them.
SELECT abs(r[1] - 10) < 1e-12 AS ten, abs(r[2] - 20) < 1e-12 AS twenty,
       abs(r[1] - irr(1, -100, 230, -132)) < 1e-9 * 10 AS irr_among
FROM irr_rates(1, -100, 230, -132) AS r;
SELECT irr_rates(1, 100, 50), irr_rates(-1, -100, 110);
-- Refusals: no rows and the reason.
SELECT count(*) FROM mort_schedule(100000, 400, 0.005, NULL);

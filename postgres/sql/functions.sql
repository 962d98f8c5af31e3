-- Figures of the seventeen functions on cases whose results are known by
-- hand (straight line, sum of the years' digits, tables, closed forms).
CREATE EXTENSION qelfin;

-- 100 at 5 % over 10 periods: 100 * 1.05^10; a savings plan of 12 payments
-- of 100 at 1 %, paid at the start of each period: 100 * 1.01 * (1.01^12 - 1) / 0.01;
-- the payment on 50 000 over 360 months at 0.5 %: a r / (1 - (1 + r)^-n).
SELECT compound(100, NULL, 0.05, 10) AS final,
       abs(saving(NULL, 100, 0.01, 12) - 100 * 1.01 * (power(1.01, 12) - 1) / 0.01) < 1e-9 AS saving_closed_form,
       abs(mort(50000, NULL, 0.005, 360) - 50000 * 0.005 / (1 - power(1.005, -360))) < 1e-9 AS mort_closed_form;

-- -100 now, 60 after one and after two periods at 10 %: -100 + 60/1.1 + 60/1.21;
-- frequency 0 discounts continuously: -100 + 60 e^-0.1 + 60 e^-0.2.
SELECT npv(10, 1, -100, 60, 60) AS npv, netpv(0.1, 1, -100, 60, 60) AS netpv,
       abs(npv(10, 0, -100, 60, 60) - (-100 + 60 * exp(-0.1) + 60 * exp(-0.2))) < 1e-12 AS continuous,
       irr(1, -100, 110) AS irr, intrr(1, -100, 110) AS intrr,
       abs(irr(0, -100, 110) - 100 * ln(1.1)) < 1e-12 AS irr_continuous,
       intrr(4, -100, 0, 0, 0, 110) AS quarterly;

-- Lists and arrays are the same call.
SELECT irr(1, VARIADIC ARRAY[-100, 110]) = irr(1, -100, 110) AS same_irr,
       npv(10, 1, VARIADIC ARRAY[-100, 60, 60]) = npv(10, 1, -100, 60, 60) AS same_npv,
       dacctab(2, 1000, VARIADIC ARRAY[.5, .3, .2]) AS dacctab_array;

-- Depreciation of 1000 over 10 years (twice the straight-line rate), and of
-- 1500 over 5 years by the sum of the years' digits (5/15, 4/15, ...).
SELECT depsl(1, 1000, 10) AS depsl, daccsl(3, 1000, 10) AS daccsl,
       depsyd(1, 1500, 5) AS depsyd, daccsyd(2, 1500, 5) AS daccsyd,
       depdb(1, 1000, 10, 2) AS depdb, daccdb(2, 1000, 10, 2) AS daccdb,
       depdbsl(9, 1000, 10, 2) AS depdbsl, daccdbsl(10, 1000, 10, 2) AS daccdbsl,
       deptab(2, 1000, .5, .3, .2) AS deptab, dacctab(2, 1000, .5, .3, .2) AS dacctab;

-- Named arguments follow the module's argument order.
SELECT mort(amount => 1000, payment => NULL, rate => 0.01, periods => 12) = mort(1000, NULL, 0.01, 12) AS named;
